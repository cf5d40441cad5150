#pragma once

#include "cli/Command.h"

// auto: automatic switching, for all locations and for each.
class TAutoCommand : public TCtlCommand
{
public:
    TAutoCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
};
