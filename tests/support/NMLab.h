#pragma once

#include "locations/ModuleTable.h"
#include "support/Lab.h"

#include <QString>
#include <QStringList>
#include <functional>

class TIPAddress;

// NetworkManager in the lab as the tests drive it from outside: nmcli, the link and the two
// standing profiles lab-up made (lab-office, static; lab-home, DHCP).
namespace NMLab {

// nmcli with args, in the client namespace.
TLab::TRunResult Nmcli(const QStringList &args, int timeoutMs = 60000);
// One field of a profile as "nmcli -g" prints it, with its escaped colons unescaped.
QString ProfileField(const QString &profile, const QString &field);
// The adapter id of a profile UUID: braces, upper case.
QString AdapterId(const QString &uuid);
// The adapter id of a standing profile by the key of its UUID ("STATIC_UUID", "DHCP_UUID").
QString StandingId(const char *uuidKey);

QString Link();
// "ip -o -4 addr" of the link.
QString LinkAddresses();
// The link's MAC address as the kernel has it, "AA:BB:...".
QString LinkMac();
// The NMDeviceState number of the link, as nmcli prints it ("100 (connected)").
QString DeviceState();
// The profile active on the link; empty when none.
QString ActiveProfile();
// The object path of the profile's activation; empty when it is not active.
QString ActivePath(const QString &profile);

// Every profile down and the standing ones back to what lab-up made them; the link's own MAC
// and no permanent neighbour on it.
void RestoreLink();

} // namespace NMLab

// The lab's Office stored under id: "Office" on the standing static profile, at STATIC_IP/24
// with the peer as gateway, and the printer when one is given. more sets further address
// fields before the address row is saved. False, with a failed expectation, when that save fails.
bool StoreLabOffice(const QString &id, const TModuleTable &modules, const QString &printer = QString(),
                    const std::function<void(TIPAddress &)> &more = {});
// The lab's Home stored under id: "Home" on the standing DHCP profile, address and DNS from
// DHCP, and the printer when one is given. False, with a failed expectation, when the address
// row's save fails.
bool StoreLabHome(const QString &id, const TModuleTable &modules, const QString &printer = QString());

// A profile of the test's own on the lab's link (autoconnect off, no IPv6), made with nmcli and
// deleted with the object; the link is then left as it was found (see NMLab::RestoreLink).
class TNMLabProfile
{
public:
    // settings: more "nmcli connection add" arguments, e.g. {"ipv4.method", "auto"};
    // interfaceName: the link when empty.
    TNMLabProfile(const QString &name, const QStringList &settings, const QString &interfaceName = QString());
    ~TNMLabProfile();
    TNMLabProfile(const TNMLabProfile &) = delete;
    TNMLabProfile &operator=(const TNMLabProfile &) = delete;

    // False when nmcli could not make it; Error says why.
    bool IsMade() const { return !FUuid.isEmpty(); }
    const QString &Error() const { return FError; }
    const QString &Name() const { return FName; }
    const QString &Uuid() const { return FUuid; }
    // The adapter id the program knows it by.
    QString Id() const { return NMLab::AdapterId(FUuid); }
    QString Field(const QString &field) const { return NMLab::ProfileField(FName, field); }

private:
    QString FName;
    QString FUuid;
    QString FError;
    bool FOnLink = true;
};
