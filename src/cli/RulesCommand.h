#pragma once

#include "cli/Command.h"

// rules: a location's rules, listed or changed.
class TRulesCommand : public TCtlCommand
{
public:
    TRulesCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
};
