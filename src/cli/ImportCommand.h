#pragma once

#include "cli/Command.h"

// import: stores a new location from an adapter's current settings.
class TImportCommand : public TCtlCommand
{
public:
    TImportCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
};
