#include "modules/ProgramModules.h"

const TModuleTable &ProgramModules()
{
    static const TModuleTable Modules{};
    return Modules;
}
