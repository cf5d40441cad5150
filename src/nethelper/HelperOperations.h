#pragma once

#include "nethelper/HelperRequest.h"

#include <cstdio>
#include <optional>
#include <string>

// The helper's three operations. Each returns its exit status (THelperExit) and writes a
// reason to Errors when it fails; the probe writes its answers to Answers.

// Why the request reaches beyond what the helper may touch (HelperScope.h), or nothing. A
// removal is judged by its entry alone, so the program's entry can go after the interface's
// address changed.
std::optional<std::string> ScopeRefusal(const THelperRequest &request);

int AddNeighbour(const THelperRequest &request, FILE *errors);
int DeleteNeighbour(const THelperRequest &request, FILE *errors);
int ProbeArp(const THelperRequest &request, FILE *answers, FILE *errors);
