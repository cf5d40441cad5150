#pragma once

#include "cli/Command.h"

// printers: the installed printers, the default marked.
class TPrintersCommand : public TCtlCommand
{
public:
    TPrintersCommand();
    void Run(const QStringList &Args, TCtlContext &Context) const override;
};
