#pragma once

#include "platform/NetConnection.h"

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
    // Interface index, asked until the answer is not 0, then kept.
    int DevIndex();
    // Why the last Enable, Disable or Restart failed.
    const QString &LastError() const { return FLastError; }

private:
    bool Keep(bool ok);

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
