#include "support/NMLab.h"

#include "adapters/IpAddress.h"
#include "locations/Location.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

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

namespace {

// Stores the location's row with its name, adapter and printer, then the address row as set.
bool StoreLabLocation(const QString &id, const TModuleTable &modules, const QString &name,
                      const char *uuidKey, const QString &printer,
                      const std::function<void(TIPAddress &)> &setAddress)
{
    TLocation location(id, modules);
    location.SetLocName(name);
    location.SetNetId(NMLab::StandingId(uuidKey));
    if (!printer.isEmpty())
        location.SetPrinter(printer);
    location.Save();
    TIPAddress &ip = *location.IpAddress();
    setAddress(ip);
    const bool saved = ip.Save();
    EXPECT_TRUE(saved) << ip.LastError().toStdString();
    return saved;
}

} // namespace

bool StoreLabOffice(const QString &id, const TModuleTable &modules, const QString &printer,
                    const std::function<void(TIPAddress &)> &more)
{
    return StoreLabLocation(id, modules, "Office", "STATIC_UUID", printer, [&more](TIPAddress &ip) {
        ip.SetIPAddr(TLab::Value("STATIC_IP"));
        ip.SetSubnetMask("255.255.255.0");
        ip.SetGateWay(TLab::Value("PEER_IP"));
        if (more)
            more(ip);
    });
}

bool StoreLabHome(const QString &id, const TModuleTable &modules, const QString &printer)
{
    return StoreLabLocation(id, modules, "Home", "DHCP_UUID", printer, [](TIPAddress &ip) {
        ip.SetEnableDHCP(true);
        ip.SetAutoGetDNS(true);
    });
}
