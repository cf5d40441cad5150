#include "modules/ICQProxy.h"

#include "base/NetText.h"
#include "modules/ClientFile.h"
#include "modules/ICQ6.h"
#include "modules/ICQStore.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr int MaxProxyType = 4;

bool IsPort(int Port) { return Port >= 0 && Port <= 65535; }

QString ProxyTypeName(int Type)
{
    static const char *const Names[] = {"none", "HTTP", "HTTPS", "SOCKS4", "SOCKS5"};
    return Type >= 0 && Type <= MaxProxyType ? QLatin1String(Names[Type]) : QString::number(Type);
}

QString HostPort(const QString &Host, int Port)
{
    return QuotedValue(Host + QLatin1Char(':') + QString::number(Port));
}

} // namespace

bool TICQProxy::IsInstalled()
{
    const QFileInfo Store(SettingsFile());
    return Store.exists() || Store.isSymLink();
}

QString TICQProxy::SettingsFile() { return QDir::home().filePath(QStringLiteral(".ICQ/Application.mdb")); }

bool TICQProxy::Check(QStringList *Reasons)
{
    const qsizetype Before = Reasons->size();
    CheckNumbers(Reasons);
    if (const QString Problem = StoreProblem(); !Problem.isEmpty())
        Reasons->append(Problem);
    return Reasons->size() == Before;
}

// Only what the record carries is checked: automatic settings carry no number.
void TICQProxy::CheckNumbers(QStringList *Reasons) const
{
    if (!FEnableProxy)
        return;
    if (!IsPort(FPort))
        Reasons->append(QStringLiteral("the ICQ server port %1 is not from 0 to 65535").arg(FPort));
    if (FProxyType < 0 || FProxyType > MaxProxyType)
        Reasons->append(
            QStringLiteral("the ICQ proxy type %1 is not from 0 to %2").arg(FProxyType).arg(MaxProxyType));
    else if (FProxyType != 0 && !IsPort(FProxyPort))
        Reasons->append(QStringLiteral("the ICQ proxy port %1 is not from 0 to 65535").arg(FProxyPort));
}

// Why the store cannot be written in place, or an empty text.
QString TICQProxy::StoreProblem()
{
    const QString FileName = SettingsFile();
    if (const QString Problem = ClientFileProblem(FileName); !Problem.isEmpty())
        return Problem;
    return IsSqliteFile(FileName) ? QString() : QStringLiteral("%1 is not an SQLite database").arg(FileName);
}

QByteArray TICQProxy::Record() const
{
    QByteArray Stream;
    TICQ6Writer().writeSettings(Stream, !FEnableProxy, FServer, FPort, FProxyType, FProxyServer, FProxyPort,
                                FNeedAuth, FUser, FPwd);
    return Stream;
}

TRowBinding TICQProxy::Binding()
{
    return {QStringLiteral("ICQ_PROXY"),
            {{"ENABLE_PROXY", FEnableProxy},
             {"SERVER", FServer},
             {"PORT", FPort},
             {"PROXY_TYPE", FProxyType},
             {"PROXY_SERVER", FProxyServer},
             {"PROXY_PORT", FProxyPort},
             {"NEED_AUTH", FNeedAuth},
             {"PROXY_USER", FUser},
             {"PROXY_PWD", FPwd}},
            {}};
}

bool TICQProxy::Apply()
{
    // Opening a pipe would wait for ever, a link would be followed.
    if (const QString Problem = StoreProblem(); !Problem.isEmpty())
        return Fail(Problem);
    const QString FileName = SettingsFile();
    bool Replaced = false;
    QString Error;
    if (!ReplaceConnectionSettings(FileName, Record(), &Replaced, &Error))
        return Fail(Error);
    FChanges.append(
        Replaced ? Description()
                 : QStringLiteral("%1 has no ConnectionSettings record: nothing written").arg(FileName));
    return true;
}

QString TICQProxy::Description() const
{
    if (!FEnableProxy)
        return QStringLiteral("ICQ connection settings automatic");
    const QString Server = QStringLiteral("ICQ login server %1").arg(HostPort(FServer, FPort));
    if (FProxyType == 0)
        return Server + QStringLiteral(", no proxy");
    return Server + QStringLiteral(" through the %1 proxy %2")
                        .arg(ProxyTypeName(FProxyType), HostPort(FProxyServer, FProxyPort));
}
