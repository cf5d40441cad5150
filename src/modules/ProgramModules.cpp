#include "modules/ProgramModules.h"

#include "modules/FireFoxProxy.h"
#include "modules/IEProxy.h"
#include "sharing/FolderShare.h"
#include "sharing/NetMapping.h"

const TModuleTable &ProgramModules()
{
    static const TModuleTable Modules{
        DescribeModule<TIEProxy>("IE proxy"),
        DescribeModule<TFireFoxProxy>("Firefox proxy"),
        DescribeModule<TFolderShareProxy>("folder shares"),
        DescribeModule<TNetMappingProxy>("network drives"),
    };
    return Modules;
}
