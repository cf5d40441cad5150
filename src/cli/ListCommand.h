#pragma once

#include "cli/Command.h"

// list: the locations, the current one marked.
class TListCommand : public TCtlCommand, public ICtlProgramCommand
{
public:
    TListCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
    void RunThroughProgram(const QStringList &Args, TCtlContext &Context) const override;
};
