#include "modules/ProgramModules.h"

#include "modules/IEProxy.h"

const TModuleTable &ProgramModules()
{
    static const TModuleTable Modules{DescribeModule<TIEProxy>("IE proxy")};
    return Modules;
}
