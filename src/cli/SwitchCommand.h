#pragma once

#include "cli/Command.h"

// switch: applies a location and makes it current.
class TSwitchCommand : public TCtlCommand, public ICtlProgramCommand
{
public:
    TSwitchCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
    void RunThroughProgram(const QStringList &Args, TCtlContext &Context) const override;
};
