#pragma once

#include "locations/ModuleTable.h"

// The settings modules this program has, one line each (DescribeModule<TIEProxy>("IE proxy", ...)),
// in switching order. Locations, the editor and the customisation dialog take it from here.
const TModuleTable &ProgramModules();
