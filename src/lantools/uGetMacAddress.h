#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <thread>

class TArpReplyTable;

// The fourth octets of the host addresses of a /24 network: 0 names the network itself and
// 255 is its broadcast address.
constexpr int FirstHostOctet = 1;
constexpr int LastHostOctet = 254;

// ARP lookups of many addresses with one deadline: requests for every target go out at once,
// and once more for those still silent, and the answers are gathered in a table that lookups
// from any thread wait on. A host that answers within half a second is found; the whole sweep
// costs little more than that. The targets share one link: requests leave from SourceIp on the
// interface that holds it, or, when no interface does, on the one that routes to the targets.
// An address of this computer answers with its interface's MAC. Without the privilege for raw
// sockets the kernel resolves every target at once instead, which takes about three seconds.
class TArpSweep
{
public:
    TArpSweep(const QString &SourceIp, const QStringList &Targets);
    // Ends the sweep as Cancel does and waits for its reader.
    ~TArpSweep();
    TArpSweep(const TArpSweep &) = delete;
    TArpSweep &operator=(const TArpSweep &) = delete;

    // The MAC text of Target, as soon as it has answered; empty when the sweep ended without
    // its answer (also for a target the sweep does not ask).
    QString MacOf(const QString &Target) const;
    // Ends the sweep now: waiting lookups return at once with what is known.
    void Cancel();

private:
    std::unique_ptr<TArpReplyTable> FReplies;
    std::thread FReader;
};

// The MAC text of the host at TargetIp, asked as a sweep of one address; empty when nothing
// answers.
QString GetMacAddress(const QString &SourceIp, const QString &TargetIp);

// The name the system resolver gives the address; empty when it knows none.
QString GetHostNameByIp(const QString &Ip);

// The first address Prefix.First .. Prefix.Last that does not answer an ARP request; empty when
// every one answers. One sweep asks the whole range. Prefix holds three octets without a
// trailing dot; only host octets (FirstHostOctet..LastHostOctet) are candidates.
QString FindUnusedIp(const QString &Prefix, int First, int Last);

// Where the local source address of searches and scans comes from.
using TSourceAddressQuery = std::function<QString()>;

// The local source address: the address of the first adapter with IP enabled unless another
// query was installed.
QString LocalSourceAddress();
// Installs Query for every later LocalSourceAddress call; an empty function restores the default.
void SetSourceAddressQuery(TSourceAddressQuery Query);
