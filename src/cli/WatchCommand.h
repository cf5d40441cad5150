#pragma once

#include "cli/Command.h"

// watch: the program's automatic switching without its windows.
class TWatchCommand : public TCtlCommand
{
public:
    TWatchCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
};
