#include "modules/ProxyChecks.h"

#include "base/NetText.h"

#include <QRegularExpression>

void CheckProxyServer(const QString &Proxy, const QString &Server, int Port, QStringList *Reasons)
{
    static const QRegularExpression Host(QStringLiteral("^[A-Za-z0-9._-]+$"));
    if (!Host.match(Server).hasMatch())
        Reasons->append(
            QStringLiteral("%1 server %2 is no host name or IPv4 address").arg(Proxy, QuotedValue(Server)));
    if (Port < 1 || Port > 65535)
        Reasons->append(QStringLiteral("%1 port %2 is not from 1 to 65535").arg(Proxy).arg(Port));
}
