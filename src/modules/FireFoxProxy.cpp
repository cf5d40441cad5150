#include "modules/FireFoxProxy.h"

#include "base/NetText.h"
#include "platform/clientfiles/FirefoxProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace {

QString PrefsFile(const QString &ProfileDir) { return QDir(ProfileDir).filePath(QStringLiteral("prefs.js")); }
QString UserFile(const QString &ProfileDir) { return QDir(ProfileDir).filePath(QStringLiteral("user.js")); }

// network.proxy.type of a mode code; unknown codes as none chosen.
int FirefoxProxyType(int Mode)
{
    static const int Types[] = {0, 3, 4, 1, 2, 5};
    return Mode >= 0 && Mode < 6 ? Types[Mode] : 0;
}

// The mode code of a network.proxy.type; other numbers stay as they are.
int ModeOfProxyType(int Type)
{
    static const int Modes[] = {0, 3, 4, 1, 2, 5};
    return Type >= 0 && Type < 6 ? Modes[Type] : Type;
}

// A port Firefox reads as one: an empty or non-numeric port is written as 0, its own default,
// not as a line it would drop as malformed.
QString PortValue(const QString &Port)
{
    bool IsNumber = false;
    const int Number = Port.toInt(&IsNumber);
    return IsNumber && Number >= 0 && Number <= 65535 ? QString::number(Number) : QStringLiteral("0");
}

// The host Firefox gets for an address; none for one the editor left unused.
QString ServerHost(const QString &Address)
{
    return IsUnsetProxyAddress(Address) ? QString() : TFireFoxProxy::SplitIp(Address);
}

bool IsHostPort(const QString &Address)
{
    static const QString Forbidden = QStringLiteral("\"\\/ \t");
    const QString Host = TFireFoxProxy::SplitIp(Address);
    bool IsNumber = false;
    const int Port = TFireFoxProxy::SplitPort(Address).toInt(&IsNumber);
    return !Host.isEmpty() &&
           std::none_of(
               Host.cbegin(), Host.cend(),
               [](QChar C) { return Forbidden.contains(C) || C.category() == QChar::Other_Control; }) &&
           IsNumber && Port >= 1 && Port <= 65535;
}

bool ReadFile(const QString &FileName, QByteArray *Text, QString *Error)
{
    QFile File(FileName);
    if (!File.exists()) {
        Text->clear();
        return true;
    }
    if (!File.open(QIODevice::ReadOnly)) {
        *Error = QStringLiteral("cannot read %1: %2").arg(FileName, File.errorString());
        return false;
    }
    *Text = File.readAll();
    return true;
}

bool ReplaceFile(const QString &FileName, const QByteArray &Text, QString *Error)
{
    QSaveFile File(FileName);
    if (File.open(QIODevice::WriteOnly) && File.write(Text) == Text.size() && File.commit())
        return true;
    *Error = QStringLiteral("cannot write %1: %2").arg(FileName, File.errorString());
    return false;
}

// Why a preference file cannot be read and replaced in place, or nothing.
QString AccessProblem(const QString &FileName)
{
    const QFileInfo Info(FileName);
    if (!Info.exists())
        return QFileInfo(Info.absolutePath()).isWritable()
                   ? QString()
                   : QStringLiteral("%1 cannot be created").arg(FileName);
    if (!Info.isFile() || !Info.isReadable())
        return QStringLiteral("%1 cannot be read").arg(FileName);
    if (!Info.isWritable() || !QFileInfo(Info.absolutePath()).isWritable())
        return QStringLiteral("%1 cannot be replaced").arg(FileName);
    return {};
}

} // namespace

bool TFireFoxProxy::IsInstalled()
{
    const QString Dir = FirefoxProfileDir();
    return !Dir.isEmpty() && QFileInfo::exists(PrefsFile(Dir));
}

QString TFireFoxProxy::SplitIp(const QString &S)
{
    const qsizetype Colon = S.indexOf(QLatin1Char(':'));
    return Colon < 0 ? QString() : S.left(Colon);
}

QString TFireFoxProxy::SplitPort(const QString &S)
{
    const qsizetype Colon = S.indexOf(QLatin1Char(':'));
    return Colon < 0 ? QString() : S.mid(Colon + 1);
}

bool TFireFoxProxy::Check(QStringList *Reasons)
{
    const qsizetype Before = Reasons->size();
    const QList<QPair<const char *, QString>> Addresses{{"HTTP", FHttp},
                                                        {"SSL", FShareProxy ? QString() : FSecure},
                                                        {"FTP", FFtp},
                                                        {"Gopher", FGopher},
                                                        {"SOCKS", FSocket}};
    for (const auto &[Label, Address] : Addresses)
        if (!IsUnsetProxyAddress(Address) && !IsHostPort(Address))
            Reasons->append(
                QStringLiteral("the Firefox %1 proxy %2 is not host:port with a port from 1 to 65535")
                    .arg(QLatin1String(Label), QuotedValue(Address)));
    const QString Dir = FirefoxProfileDir();
    if (Dir.isEmpty())
        return Reasons->size() == Before;
    for (const QString &FileName : {PrefsFile(Dir), UserFile(Dir)})
        if (const QString Problem = AccessProblem(FileName); !Problem.isEmpty())
            Reasons->append(Problem);
    return Reasons->size() == Before;
}

QList<TFirefoxPref> TFireFoxProxy::Preferences() const
{
    // Firefox honours share_proxy_settings only in its own dialog: one proxy for all protocols
    // needs the SSL preferences written from the HTTP address.
    const QString Ssl = FShareProxy ? FHttp : FSecure;
    return {
        {QStringLiteral("network.proxy.ftp"), PrefString(ServerHost(FFtp))},
        {QStringLiteral("network.proxy.ftp_port"), PortValue(SplitPort(FFtp))},
        {QStringLiteral("network.proxy.gopher"), PrefString(ServerHost(FGopher))},
        {QStringLiteral("network.proxy.gopher_port"), PortValue(SplitPort(FGopher))},
        {QStringLiteral("network.proxy.http"), PrefString(ServerHost(FHttp))},
        {QStringLiteral("network.proxy.http_port"), PortValue(SplitPort(FHttp))},
        {QStringLiteral("network.proxy.no_proxies_on"), PrefString(FNoProxies)},
        {QStringLiteral("network.proxy.share_proxy_settings"),
         FShareProxy ? QStringLiteral("true") : QStringLiteral("false")},
        {QStringLiteral("network.proxy.socks"), PrefString(ServerHost(FSocket))},
        {QStringLiteral("network.proxy.socks_port"), PortValue(SplitPort(FSocket))},
        {QStringLiteral("network.proxy.ssl"), PrefString(ServerHost(Ssl))},
        {QStringLiteral("network.proxy.ssl_port"), PortValue(SplitPort(Ssl))},
        {QStringLiteral("network.proxy.autoconfig_url"), PrefString(FAutoSeetings)},
        {QStringLiteral("network.proxy.type"), QString::number(FirefoxProxyType(FProxyType))},
    };
}

bool TFireFoxProxy::Import(const QString &NetId) { return IsEnabled() && TCustomProxy::Import(NetId); }

TRowBinding TFireFoxProxy::Binding()
{
    return {"FIREFOX_PROXY",
            {{"PROXY_TYPE", FProxyType},
             {"HTTP", FHttp},
             {"SECURE", FSecure},
             {"FTP", FFtp},
             {"GOPHER", FGopher},
             {"SOCKTS", FSocket},
             {"SHARE_PROXY_SETTINGS", FShareProxy},
             {"NO_PROXIES_ON", FNoProxies},
             {"AUTO_SETTINGS", FAutoSeetings},
             {"SOCKS_TYPE", FSocksType}},
            {}};
}

// Both files change or neither: everything is read and made first, and prefs.js goes back to
// what it was when user.js cannot be written after it.
bool TFireFoxProxy::Apply()
{
    const QString Dir = FirefoxProfileDir();
    const QString PrefsName = PrefsFile(Dir);
    if (Dir.isEmpty() || !QFileInfo::exists(PrefsName))
        return true;
    // A running Firefox writes prefs.js back at its exit; user.js wins over prefs.js at its next
    // start. Once Firefox is not running the block goes again, so the choices made in Firefox stand.
    const bool Running = FirefoxHoldsProfile(Dir);
    const QString UserName = UserFile(Dir);
    QByteArray Prefs;
    QByteArray User;
    QString Error;
    if (!ReadFile(PrefsName, &Prefs, &Error) || !ReadFile(UserName, &User, &Error))
        return Fail(Error);
    const QByteArray NewUser = WithOwnedPrefBlock(User, Running ? Preferences() : QList<TFirefoxPref>());
    if (!ReplaceFile(PrefsName, SetPrefLines(Prefs, Preferences()), &Error))
        return Fail(Error);
    if (NewUser != User && !ReplaceFile(UserName, NewUser, &Error)) {
        QString UndoError;
        if (!ReplaceFile(PrefsName, Prefs, &UndoError))
            return Fail(QStringLiteral("%1; %2 was changed and could not be put back: %3")
                            .arg(Error, PrefsName, UndoError));
        return Fail(QStringLiteral("%1; %2 was left as it was").arg(Error, PrefsName));
    }
    FChanges.append(QStringLiteral("proxy preferences of Firefox profile %1 written")
                        .arg(QuotedValue(QDir(Dir).dirName())));
    if (Running)
        FChanges.append(QStringLiteral("Firefox is running: restart it to use this proxy"));
    return true;
}

bool TFireFoxProxy::ReadCurrent(const QString &)
{
    const QString Dir = FirefoxProfileDir();
    if (Dir.isEmpty() || !QFileInfo::exists(PrefsFile(Dir)))
        return Fail(QStringLiteral("no Firefox profile with a prefs.js"));
    QByteArray Text;
    QString Error;
    if (!ReadFile(PrefsFile(Dir), &Text, &Error))
        return Fail(Error);
    const QStringList Lines = PrefValueLines(QString::fromUtf8(Text));
    const QString Type = PrefValue(Lines, QStringLiteral("network.proxy.type"));
    const QString Socks = PrefValue(Lines, QStringLiteral("network.proxy.socks_version"));
    bool TypeIsNumber = false;
    bool SocksIsNumber = false;
    const int TypeNumber = (Type.isEmpty() ? QStringLiteral("3") : Type).toInt(&TypeIsNumber);
    const int SocksNumber = (Socks.isEmpty() ? QStringLiteral("5") : Socks).toInt(&SocksIsNumber);
    if (!TypeIsNumber || !SocksIsNumber)
        return Fail(
            QStringLiteral("network.proxy.type %1 or network.proxy.socks_version %2 of prefs.js is no number")
                .arg(QuotedValue(Type), QuotedValue(Socks)));
    FProxyType = ModeOfProxyType(TypeNumber);
    FSocksType = SocksNumber;
    FShareProxy = PrefValue(Lines, QStringLiteral("network.proxy.share_proxy_settings")).toLower() == "true";
    FAutoSeetings = PrefValue(Lines, QStringLiteral("network.proxy.autoconfig_url")).remove(QLatin1Char('"'));
    const QString NoProxies = PrefValue(Lines, QStringLiteral("network.proxy.no_proxies_on"));
    FNoProxies =
        NoProxies.isEmpty() ? QStringLiteral("localhost, 127.0.0.1") : QString(NoProxies).remove('"');
    ReadAddresses(Lines);
    return true;
}

// An address whose host preference is absent or empty keeps its stored value.
void TFireFoxProxy::ReadAddresses(const QStringList &Lines)
{
    const QList<QPair<const char *, QString *>> Addresses{
        {"ftp", &FFtp}, {"gopher", &FGopher}, {"http", &FHttp}, {"socks", &FSocket}, {"ssl", &FSecure}};
    for (const auto &[Protocol, Field] : Addresses) {
        const QString Name = QStringLiteral("network.proxy.") + QLatin1String(Protocol);
        const QString Host = PrefValue(Lines, Name).remove(QLatin1Char('"'));
        if (!Host.isEmpty())
            *Field = Host + QLatin1Char(':') + PrefValue(Lines, Name + QStringLiteral("_port"));
    }
}
