#pragma once

#include "cli/Command.h"

// detect: the locations whose rules recognise the current network.
class TDetectCommand : public TCtlCommand
{
public:
    TDetectCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
};
