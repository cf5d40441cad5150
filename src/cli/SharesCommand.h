#pragma once

#include "cli/Command.h"

// shares: the folders this computer shares.
class TSharesCommand : public TCtlCommand
{
public:
    TSharesCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
};
