#pragma once

#include "nethelper/HelperRequest.h"

#include <cstdio>

// The helper's three operations. Each returns its exit status (THelperExit) and writes a
// reason to Errors when it fails; the probe writes its answers to Answers.

int AddNeighbour(const THelperRequest &Request, FILE *Errors);
int DeleteNeighbour(const THelperRequest &Request, FILE *Errors);
int ProbeArp(const THelperRequest &Request, FILE *Answers, FILE *Errors);
