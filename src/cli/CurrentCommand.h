#pragma once

#include "cli/Command.h"

// current: the current location.
class TCurrentCommand : public TCtlCommand, public ICtlProgramCommand
{
public:
    TCurrentCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
    void RunThroughProgram(const QStringList &Args, TCtlContext &Context) const override;
};
