#include "modules/ProgramModules.h"

#include "modules/BitCometProxy.h"
#include "modules/FireFoxProxy.h"
#include "modules/FoxMailProxy.h"
#include "modules/ICQProxy.h"
#include "modules/IEProxy.h"
#include "modules/MSNProxy.h"
#include "modules/SkypeProxy.h"
#include "modules/eMuleProxy.h"
#include "sharing/FolderShare.h"
#include "sharing/NetMapping.h"

const TModuleTable &ProgramModules()
{
    // One line per module, in the order of switching, so that a module comes and goes with its line.
    // clang-format off
    static const TModuleTable Modules{
        DescribeModule<TIEProxy>("IE proxy"),
        DescribeModule<TFireFoxProxy>("Firefox proxy"),
        DescribeModule<TFolderShareProxy>("folder shares"),
        DescribeModule<TNetMappingProxy>("network drives"),
        DescribeModule<TFoxMailProxy>("Foxmail proxy"),
        DescribeModule<TMSNProxy>("MSN proxy"),
        DescribeModule<TICQProxy>("ICQ proxy"),
        DescribeModule<TSkypeProxy>("Skype proxy"),
        DescribeModule<TeMuleProxy>("eMule proxy"),
        DescribeModule<TBitCometProxy>("BitComet proxy"),
    };
    // clang-format on
    return Modules;
}
