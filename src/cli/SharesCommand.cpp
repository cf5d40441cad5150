#include "cli/SharesCommand.h"

#include "cli/CtlSupport.h"
#include "sharing/NetShare.h"

TSharesCommand::TSharesCommand()
    : TCtlCommand({.Name = "shares",
                   .Help = {{"shares", "the folders this computer shares: name, folder, comment"}},
                   .NeedsData = false})
{}

void TSharesCommand::Run(const QStringList &, TCtlContext &Context) const
{
    QList<TUserShare> Shares;
    QString Reason;
    if (!ListShares(Shares, &Reason))
        Fail(QStringLiteral("cannot list the shares: %1").arg(Reason));
    for (const TUserShare &Share : std::as_const(Shares))
        Context.PrintRecord({Share.Name, Share.Path, Share.Comment});
}
