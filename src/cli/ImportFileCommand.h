#pragma once

#include "cli/Command.h"

// import-file: stores the locations of a location file.
class TImportFileCommand : public TCtlCommand
{
public:
    TImportFileCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
};
