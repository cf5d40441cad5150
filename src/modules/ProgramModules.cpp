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
    // One line per module, in the order of switching, so that a module comes and goes with its
    // line: its name in the switch report, where its row goes when a location is removed, and
    // whether a location made from the current settings takes its settings.
    using enum TImportsCurrent;
    // clang-format off
    static const TModuleTable Modules{
        DescribeModule<TIEProxy>("IE proxy",                 1, Yes),
        DescribeModule<TFireFoxProxy>("Firefox proxy",       4, Yes),
        DescribeModule<TFolderShareProxy>("folder shares",   7, Yes),
        DescribeModule<TNetMappingProxy>("network drives",   8, Yes),
        DescribeModule<TFoxMailProxy>("Foxmail proxy",       2, No),
        DescribeModule<TMSNProxy>("MSN proxy",               3, No),
        DescribeModule<TICQProxy>("ICQ proxy",               5, No),
        DescribeModule<TSkypeProxy>("Skype proxy",           6, No),
        DescribeModule<TeMuleProxy>("eMule proxy",           9, No),
        DescribeModule<TBitCometProxy>("BitComet proxy",    10, No),
    };
    // clang-format on
    return Modules;
}
