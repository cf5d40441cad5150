#pragma once

#include "app/ExtRegistry.h"
#include "platform/networkmanager/NetConnection.h"

#include <QString>
#include <memory>
#include <utility>
#include <vector>

class TNetManager;

enum TStatus { nsWorking, nsNotWorking, nsOff, nsDisable, nsUnkown };

// The status of a connection whose device is in the given state (a TDeviceState value).
TStatus StatusFromDeviceState(quint32 deviceState);

// One network connection.
class TNetWork
{
public:
    // Longest a switch waits for its adapter: to settle, to come up (a DHCP lease included).
    static constexpr int SwitchTimeoutMs = 60000;

    // Raises "Can not get Adapter Properties!" when the connection cannot describe itself.
    explicit TNetWork(std::shared_ptr<INetConnection> connection);

    const QString &Id() const { return FId; }
    const QString &Name() const { return FName; }
    const QString &Description() const { return FDescription; }
    // Asked anew on every call; nsUnkown when the connection cannot say.
    TStatus Status() const;
    bool Enable();
    bool Disable();
    bool Restart();
    // Gives the connection a location's settings in one go (INetConnection::Apply), waiting at
    // most SwitchTimeoutMs for a connection still on its way up or down: Outcome says how it was
    // found, what reached the system and on which interface. False with the reason in LastError.
    bool Apply(const TConnectionSettings &Settings, TConnectionOutcome &Outcome);
    // Waits, with the event loop running, while the connection is on its way up or down (an
    // activation still running, say), at most TimeoutMs; false when it has not settled then.
    bool WaitUntilSettled(int TimeoutMs);
    // Interface index, asked of WMI until the answer is not 0, then kept.
    int DevIndex();
    // The current IPv4 address; empty when there is none or the adapter has no device.
    QString Ip();
    // The current MAC address as WMI gives it, pairs joined by ":"; empty when the adapter has
    // no device.
    QString GetCurrentMAC();
    // The adapter's driver key: the subkey of the network adapter class key whose
    // NetCfgInstanceId is Id. Null when no subkey matches; an accessor without an open key
    // when the class key itself cannot be opened.
    std::unique_ptr<TExtRegistry> OpenAdapterKey(bool ReadOnly);
    // True when NewMAC (dashes and colons allowed) differs from the MAC the adapter has or is
    // set to get; false for an empty NewMAC.
    bool IsMACChanged(const QString &NewMAC);
    // Sets the driver's NetworkAddress to NewMAC, or removes it for "00-00-00-00-00-00"; takes
    // effect on Restart. False when nothing changes or the adapter has no driver key.
    bool ChangeMAC(const QString &NewMAC);
    // Why the last Enable, Disable, Restart, Apply or WaitUntilSettled failed.
    const QString &LastError() const { return FLastError; }

private:
    bool Keep(bool ok);
    // Property of the configuration on this adapter's device; empty without a device, where
    // a query by index 0 would find another adapter's.
    QString ConfigurationValue(const QString &PropName);

    QString FId;
    QString FName;
    QString FDescription;
    std::shared_ptr<INetConnection> FAdapter;
    int FDevIndex = 0;
    QString FLastError;
};

// The computer's connections, one line per connection: its adapter id and its entry, in the
// manager's order. Duplicates are kept; lookup ignores letter case and takes the first line.
class TNetWorkList
{
public:
    // Reads the connections of the process-wide manager.
    TNetWorkList();
    // Reads the connections of manager, which must outlive the list.
    explicit TNetWorkList(TNetManager &manager);

    void ReadNetWorks();
    void AddNetWork(const QString &id, std::unique_ptr<TNetWork> value);
    // The entry of the first line whose id equals id ignoring case; null when none.
    TNetWork *GetNetWork(const QString &id) const;
    // Frees every entry; the lines stay, without entries.
    void ClearObjects();

    int Count() const { return static_cast<int>(FLines.size()); }
    const QString &Strings(int index) const { return FLines.at(index).first; }
    TNetWork *Objects(int index) const { return FLines.at(index).second.get(); }

private:
    TNetManager &FNetManager;
    std::vector<std::pair<QString, std::unique_ptr<TNetWork>>> FLines;
};
