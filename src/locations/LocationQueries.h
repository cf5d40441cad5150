#pragma once

#include "locations/Location.h"
#include "platform/desktop/InstanceBus.h"

class TNetWorkList;

// What wayfarelctl and the running program's bus interface tell of the locations, made in one
// place so that both print the same.

// A location by exact id, else by name: exact spelling first, then ignoring letter case. Null,
// with the reason in Error, when there is none or the name is not unique.
TLocation *FindLocationByKey(const TLocationList &List, const QString &Key, QString *Error = nullptr);

// Every location in list order, the current one marked.
QList<TLocationEntry> LocationEntries(const TLocationList &List);

// One location's settings as "field, value" records: its own fields with its adapter's name
// from Adapters, then each module's state ("on", "not installed", "switched off") and, when it
// is on, its stored fields by column ("IE proxy HTTP", "10.0.0.1:8080").
QList<QStringList> LocationRecords(const TLocationList &List, TLocation &Location,
                                   const TNetWorkList &Adapters);

// A switch to Location that ended with Switched, Error and the steps: the printer's trouble and
// the warnings of the steps, the error named after the location.
TSwitchOutcome SwitchOutcome(const TLocation &Location, bool Switched, const QString &Error,
                             const TSwitchReport &Steps);
