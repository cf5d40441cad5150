#pragma once

#include "locations/NetworkFingerprint.h"

class TLocationList;

// The locations of List with their stored rules, in list order: all of them, or only those
// switched to automatically. A location whose rules cannot be read is left out.
QList<TLocationCandidate> RuleCandidates(const TLocationList &List, bool AutomaticOnly);
