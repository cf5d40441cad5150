#pragma once

#include "cli/Command.h"

// show: one location's settings, one record per field.
class TShowCommand : public TCtlCommand, public ICtlProgramCommand
{
public:
    TShowCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
    void RunThroughProgram(const QStringList &Args, TCtlContext &Context) const override;
};
