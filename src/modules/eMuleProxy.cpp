#include "modules/eMuleProxy.h"

#include "app/ExtRegistry.h"
#include "base/NetText.h"
#include "modules/ClientFile.h"
#include "platform/clientfiles/IniFile.h"
#include "platform/process/RunningPrograms.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <optional>

namespace {

const QString InstallKey = QStringLiteral("\\Software\\eMule");
const QString ProxySection = QStringLiteral("Proxy");

// The default value of the install key under Root; nothing when the key cannot be opened or
// its hive read.
std::optional<QString> InstallFolderUnder(TRootKey Root)
{
    try {
        TExtRegistry Registry(Root);
        if (!Registry.OpenKeyReadOnly(InstallKey))
            return std::nullopt;
        return Registry.ReadStringDef(QString(), QString());
    } catch (const ERegistryException &) {
        return std::nullopt;
    }
}

QString Flag(bool Value) { return Value ? QStringLiteral("1") : QStringLiteral("0"); }

// A value as wxWidgets' file configuration, which aMule reads its file with, stores it:
// backslashes and control characters escaped, and quoted when it begins with a blank or a quote.
QString WxConfigValue(const QString &Value)
{
    const bool Quoted = !Value.isEmpty() && (Value.front().isSpace() || Value.front() == QLatin1Char('"'));
    QString Result;
    for (const QChar Char : Value)
        switch (Char.unicode()) {
        case '\n':
            Result += QStringLiteral("\\n");
            break;
        case '\r':
            Result += QStringLiteral("\\r");
            break;
        case '\t':
            Result += QStringLiteral("\\t");
            break;
        case '\\':
            Result += QStringLiteral("\\\\");
            break;
        case '"':
            Result += Quoted ? QStringLiteral("\\\"") : QStringLiteral("\"");
            break;
        default:
            Result += Char;
        }
    return Quoted ? QLatin1Char('"') + Result + QLatin1Char('"') : Result;
}

bool HasControlCharacter(const QString &Text)
{
    return std::any_of(Text.cbegin(), Text.cend(),
                       [](QChar Char) { return Char.category() == QChar::Other_Control; });
}

QString ProxyTypeName(int Type)
{
    static const char *const Names[] = {"SOCKS4", "SOCKS4a", "SOCKS5", "HTTP 1.0", "HTTP 1.1"};
    return Type >= 1 && Type <= 5 ? QLatin1String(Names[Type - 1]) : QStringLiteral("type %1").arg(Type);
}

} // namespace

TeMuleProxy::TeMuleProxy(const QString &LocId) : TProxyModule(LocId)
{
    if (const QString Folder = GetInstallPath(); !Folder.isEmpty())
        FPath = QDir(Folder).filePath(QStringLiteral("config/preferences.ini"));
}

bool TeMuleProxy::IsInstalled()
{
    const QString Folder = GetInstallPath();
    const QFileInfo AMule(AMuleConfigFile());
    return (!Folder.isEmpty() && QFileInfo(Folder).isDir()) || AMule.exists() || AMule.isSymLink();
}

QString TeMuleProxy::GetInstallPath()
{
    for (const TRootKey Root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        if (const std::optional<QString> Folder = InstallFolderUnder(Root))
            return *Folder;
    return {};
}

QString TeMuleProxy::AMuleConfigFile() { return QDir::home().filePath(QStringLiteral(".aMule/amule.conf")); }

int TeMuleProxy::AMuleProxyType(int EMuleType)
{
    static const int Types[] = {1, 3, 0, 2, 2};
    return EMuleType >= 1 && EMuleType <= 5 ? Types[EMuleType - 1] : -1;
}

bool TeMuleProxy::Check(QStringList *Reasons)
{
    const qsizetype Before = Reasons->size();
    CheckFields(Reasons);
    for (const TTarget &Target : Targets()) {
        QString Error;
        if (const QString Problem = ClientFileProblem(Target.FileName); !Problem.isEmpty())
            Reasons->append(Problem);
        else if (!WriteKeys(Target, false, &Error))
            Reasons->append(Error);
    }
    return Reasons->size() == Before;
}

void TeMuleProxy::CheckFields(QStringList *Reasons) const
{
    if (FEnableProxy && AMuleProxyType(FProxyType) < 0)
        Reasons->append(QStringLiteral("the eMule proxy type %1 is none of 1 to 5").arg(FProxyType));
    if (FEnableProxy && FServer.trimmed().isEmpty())
        Reasons->append(QStringLiteral("the eMule proxy has no server"));
    if (FEnableProxy && (FPort < 1 || FPort > 65535))
        Reasons->append(QStringLiteral("the eMule proxy port %1 is not from 1 to 65535").arg(FPort));
    // The keys are written in any case; a line break would start a line of its own.
    for (const auto &[Label, Text] : {std::pair{"server", FServer}, {"user", FUser}, {"password", FPwd}})
        if (HasControlCharacter(Text))
            Reasons->append(
                QStringLiteral("the eMule proxy %1 holds a line break or another control character")
                    .arg(Label));
}

TRowBinding TeMuleProxy::Binding()
{
    return {QStringLiteral("EMULE_PROXY"),
            {{"ENABLE_PROXY", FEnableProxy},
             {"PROXY_TYPE", FProxyType},
             {"PROXY_SERVER", FServer},
             {"PROXY_PORT", FPort},
             {"ENABLE_PWD", FEnablePWD},
             {"PROXY_USER", FUser},
             {"PROXY_PWD", FPwd}},
            {}};
}

bool TeMuleProxy::Apply()
{
    for (const TTarget &Target : Targets()) {
        QString Error;
        if (const QString Problem = ClientFileProblem(Target.FileName); !Problem.isEmpty())
            return Fail(Problem);
        if (!WriteKeys(Target, true, &Error))
            return Fail(Error);
        FChanges.append(QStringLiteral("%1 written to %2").arg(Description(), Target.FileName));
        if (Target.FileName == AMuleConfigFile())
            NoteRunningAMule();
    }
    return true;
}

// aMule reads its file when it starts and writes all of it back when it saves a setting.
void TeMuleProxy::NoteRunningAMule()
{
    const QList<qint64> Running = RunningProgramIds({QStringLiteral("amuled"), QStringLiteral("amule")});
    if (!Running.isEmpty())
        FChanges.append(QStringLiteral("aMule is running (process %1): restart it to use this proxy")
                            .arg(Running.constFirst()));
}

QList<TeMuleProxy::TTarget> TeMuleProxy::Targets() const
{
    QList<TTarget> List;
    if (!FPath.isEmpty() && QFileInfo(QDir::cleanPath(FPath + QStringLiteral("/../.."))).isDir())
        List.append({FPath, EMuleKeys(), QStringLiteral("\r\n")});
    const QFileInfo AMule(AMuleConfigFile());
    if (AMule.exists() || AMule.isSymLink())
        List.append({AMule.filePath(), AMuleKeys(), QStringLiteral("\n")});
    return List;
}

TeMuleProxy::TKeys TeMuleProxy::EMuleKeys() const
{
    return {{QStringLiteral("ProxyEnableProxy"), Flag(FEnableProxy)},
            {QStringLiteral("ProxyType"), QString::number(FProxyType)},
            {QStringLiteral("ProxyName"), FServer},
            {QStringLiteral("ProxyPort"), QString::number(FPort)},
            {QStringLiteral("ProxyEnablePassword"), Flag(FEnablePWD)},
            {QStringLiteral("ProxyUser"), FUser},
            {QStringLiteral("ProxyPassword"), FPwd}};
}

// aMule's numbers and escapes; a type without an aMule number (only with the proxy off) leaves
// aMule's own.
TeMuleProxy::TKeys TeMuleProxy::AMuleKeys() const
{
    const int Type = AMuleProxyType(FProxyType);
    TKeys Keys;
    for (const auto &[Key, Value] : EMuleKeys())
        if (Key != QLatin1String("ProxyType"))
            Keys.append({Key, WxConfigValue(Value)});
        else if (Type >= 0)
            Keys.append({Key, QString::number(Type)});
    return Keys;
}

bool TeMuleProxy::WriteKeys(const TTarget &Target, bool Save, QString *Error)
{
    TIniFile Ini(Target.FileName, Qt::CaseInsensitive, Target.LineEnd);
    if (Ini.Load()) {
        for (const auto &[Key, Value] : Target.Keys)
            Ini.WriteString(ProxySection, Key, Value);
        QByteArray Bytes;
        if (Save ? Ini.Save() : Ini.Text(&Bytes))
            return true;
    }
    *Error = Ini.LastError();
    return false;
}

QString TeMuleProxy::Description() const
{
    if (!FEnableProxy)
        return QStringLiteral("eMule proxy off");
    return QStringLiteral("eMule proxy %1 %2")
        .arg(ProxyTypeName(FProxyType), QuotedValue(FServer + QLatin1Char(':') + QString::number(FPort)));
}
