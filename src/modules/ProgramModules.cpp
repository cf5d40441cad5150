#include "modules/ProgramModules.h"

#include "modules/FireFoxProxy.h"
#include "modules/ICQProxy.h"
#include "modules/IEProxy.h"
#include "modules/eMuleProxy.h"

// In the order a switch applies them.
const TModuleTable &ProgramModules()
{
    static const TModuleTable Modules{
        DescribeModule<TIEProxy>("IE proxy"),
        DescribeModule<TFireFoxProxy>("Firefox proxy"),
        DescribeModule<TICQProxy>("ICQ proxy"),
        DescribeModule<TeMuleProxy>("eMule proxy"),
    };
    return Modules;
}
