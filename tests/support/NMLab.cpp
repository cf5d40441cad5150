#include "support/NMLab.h"

#include <QRegularExpression>

namespace NMLab {

TLab::TRunResult Nmcli(const QStringList &args, int timeoutMs)
{
    return TLab::Run(QStringList{"nmcli"} + args, timeoutMs);
}

QString ProfileField(const QString &profile, const QString &field)
{
    return Nmcli({"-g", field, "connection", "show", profile}).Output.trimmed().replace("\\:", ":");
}

QString AdapterId(const QString &uuid) { return '{' + uuid.toUpper() + '}'; }

QString StandingId(const char *uuidKey) { return AdapterId(TLab::Value(uuidKey)); }

QString Link() { return TLab::Value("CLIENT_IF"); }

QString LinkAddresses() { return TLab::Run({"ip", "-o", "-4", "addr", "show", "dev", Link()}).Output; }

QString LinkMac()
{
    const QString out = TLab::Run({"ip", "-o", "link", "show", Link()}).Output;
    return QRegularExpression("link/ether ([0-9a-f:]{17})").match(out).captured(1).toUpper();
}

QString DeviceState() { return Nmcli({"-g", "GENERAL.STATE", "device", "show", Link()}).Output.trimmed(); }

QString ActiveProfile()
{
    return Nmcli({"-g", "GENERAL.CONNECTION", "device", "show", Link()}).Output.trimmed();
}

QString ActivePath(const QString &profile) { return ProfileField(profile, "GENERAL.DBUS-PATH"); }

void RestoreLink()
{
    Nmcli({"device", "disconnect", Link()});
    Nmcli({"connection", "modify", TLab::Value("STATIC_PROFILE"), "ipv4.method", "manual", "ipv4.addresses",
           TLab::Value("STATIC_IP") + '/' + TLab::Value("PREFIX"), "ipv4.gateway", TLab::Value("PEER_IP"),
           "ipv4.dns", TLab::Value("PEER_IP"), "ipv4.ignore-auto-dns", "no", "ethernet.cloned-mac-address",
           ""});
    Nmcli({"connection", "modify", TLab::Value("DHCP_PROFILE"), "ipv4.method", "auto", "ipv4.addresses", "",
           "ipv4.gateway", "", "ipv4.dns", "", "ipv4.ignore-auto-dns", "no", "ethernet.cloned-mac-address",
           ""});
    TLab::Run({"ip", "link", "set", Link(), "address", TLab::Value("CLIENT_MAC")});
    TLab::Run({"ip", "neigh", "flush", "dev", Link(), "nud", "permanent"});
}

} // namespace NMLab

TNMLabProfile::TNMLabProfile(const QString &name, const QStringList &settings, const QString &interfaceName)
    : FName(name), FOnLink(interfaceName.isEmpty())
{
    const QString device = FOnLink ? NMLab::Link() : interfaceName;
    const auto added =
        NMLab::Nmcli(QStringList{"connection", "add", "type", "ethernet", "ifname", device, "con-name", name,
                                 "ipv6.method", "ignore", "connection.autoconnect", "no"} +
                     settings);
    if (added.ExitCode != 0) {
        FError = added.Output.trimmed();
        return;
    }
    FUuid = NMLab::ProfileField(name, "connection.uuid");
}

TNMLabProfile::~TNMLabProfile()
{
    if (!IsMade())
        return;
    NMLab::Nmcli({"connection", "delete", FUuid});
    if (FOnLink) {
        TLab::Run({"ip", "link", "set", NMLab::Link(), "address", TLab::Value("CLIENT_MAC")});
        TLab::Run({"ip", "neigh", "flush", "dev", NMLab::Link(), "nud", "permanent"});
    }
}
