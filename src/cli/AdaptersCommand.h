#pragma once

#include "cli/Command.h"

// adapters: the network connections and their state.
class TAdaptersCommand : public TCtlCommand
{
public:
    TAdaptersCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
};
