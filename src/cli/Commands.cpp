#include "cli/Commands.h"

#include "cli/AdaptersCommand.h"
#include "cli/AutoCommand.h"
#include "cli/CurrentCommand.h"
#include "cli/DetectCommand.h"
#include "cli/DrivesCommand.h"
#include "cli/ExportCommand.h"
#include "cli/ImportCommand.h"
#include "cli/ImportFileCommand.h"
#include "cli/ListCommand.h"
#include "cli/PrintersCommand.h"
#include "cli/RulesCommand.h"
#include "cli/SharesCommand.h"
#include "cli/ShowCommand.h"
#include "cli/SwitchCommand.h"
#include "cli/WatchCommand.h"

const QList<std::shared_ptr<const TCtlCommand>> &CtlCommands()
{
    // clang-format off
    static const QList<std::shared_ptr<const TCtlCommand>> Commands{
        std::make_shared<TListCommand>(),
        std::make_shared<TShowCommand>(),
        std::make_shared<TCurrentCommand>(),
        std::make_shared<TSwitchCommand>(),
        std::make_shared<TImportCommand>(),
        std::make_shared<TAdaptersCommand>(),
        std::make_shared<TPrintersCommand>(),
        std::make_shared<TSharesCommand>(),
        std::make_shared<TDrivesCommand>(),
        std::make_shared<TExportCommand>(),
        std::make_shared<TImportFileCommand>(),
        std::make_shared<TDetectCommand>(),
        std::make_shared<TRulesCommand>(),
        std::make_shared<TAutoCommand>(),
        std::make_shared<TWatchCommand>(),
    };
    // clang-format on
    return Commands;
}
