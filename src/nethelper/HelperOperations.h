#pragma once

#include "nethelper/HelperRequest.h"

#include <cstdio>

// The helper's three operations. Each returns its exit status (THelperExit) and writes a
// reason to Errors when it fails; the probe writes its answers to Answers.

int AddNeighbour(const THelperRequest &request, FILE *errors);
int DeleteNeighbour(const THelperRequest &request, FILE *errors);
int ProbeArp(const THelperRequest &request, FILE *answers, FILE *errors);
