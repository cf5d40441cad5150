#pragma once

#include "cli/Command.h"

// export: locations as a location file.
class TExportCommand : public TCtlCommand
{
public:
    TExportCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
};
