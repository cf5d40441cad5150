#include "modules/ProgramModules.h"

#include "modules/FireFoxProxy.h"

const TModuleTable &ProgramModules()
{
    static const TModuleTable Modules{DescribeModule<TFireFoxProxy>("Firefox proxy")};
    return Modules;
}
