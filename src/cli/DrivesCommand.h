#pragma once

#include "cli/Command.h"

// drives: the network drives, or connects those restored at logon again.
class TDrivesCommand : public TCtlCommand
{
public:
    TDrivesCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
};
