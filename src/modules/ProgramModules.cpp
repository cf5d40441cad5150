#include "modules/ProgramModules.h"

#include "modules/FireFoxProxy.h"
#include "modules/IEProxy.h"

const TModuleTable &ProgramModules()
{
    static const TModuleTable Modules{DescribeModule<TIEProxy>("IE proxy"),
                                      DescribeModule<TFireFoxProxy>("Firefox proxy")};
    return Modules;
}
