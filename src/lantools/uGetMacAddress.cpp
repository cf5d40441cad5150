#include "lantools/uGetMacAddress.h"

#include "base/RawArp.h"
#include "platform/kernel/NetLink.h"
#include "platform/kernel/PrivilegedNet.h"
#include "platform/process/FileDescriptor.h"
#include "platform/process/ProcessRunner.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QThread>
#include <QWaitCondition>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <linux/neighbour.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/if_ether.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <optional>

// The answers of one sweep, shared by its reader and the threads that wait for them.
class TArpReplyTable
{
public:
    // The first answer of an address counts; an empty MAC says the address is known to be silent.
    void Record(in_addr Address, const QByteArray &Mac)
    {
        QMutexLocker locker(&FLock);
        if (!FAnswers.contains(Address.s_addr)) {
            FAnswers.insert(Address.s_addr, Mac);
            FChanged.wakeAll();
        }
    }

    // Waits until Address has answered or the sweep has ended; its MAC, or empty.
    QByteArray Await(in_addr Address)
    {
        QMutexLocker locker(&FLock);
        while (!FEnded && !FAnswers.contains(Address.s_addr))
            FChanged.wait(&FLock);
        return FAnswers.value(Address.s_addr);
    }

    // No more answers come: every waiting lookup returns.
    void End()
    {
        QMutexLocker locker(&FLock);
        FEnded = true;
        FChanged.wakeAll();
    }

    // Ends the sweep before its time and tells its reader to stop asking.
    void Cancel()
    {
        QMutexLocker locker(&FLock);
        FCancelled = true;
        FEnded = true;
        FChanged.wakeAll();
    }

    bool IsCancelled() const
    {
        QMutexLocker locker(&FLock);
        return FCancelled;
    }

private:
    mutable QMutex FLock;
    QWaitCondition FChanged;
    QHash<quint32, QByteArray> FAnswers;
    bool FEnded = false;
    bool FCancelled = false;
};

namespace {

// Every request gets half a second for its answer: a phone in power save or a busy printer
// takes that long. The retry, for the addresses still silent, makes up for a lost frame; the
// transit time lets the last answers cross the link.
constexpr int AnswerWindowMs = 500;
constexpr int RetryAfterMs = 100;
constexpr int TransitMs = 50;
constexpr int SweepMs = RetryAfterMs + AnswerWindowMs + TransitMs;
// What the helper gets to start, sweep and end: each of its two rounds may wait up to a second
// for other calls and sends a frame a millisecond.
constexpr int HelperTimeoutMs = SweepMs + 2 * (1000 + MaxProbeTargets) + 2000;
// How often a reader looks whether its sweep was cancelled.
constexpr int CancelCheckMs = 10;

// Without raw sockets the kernel resolves: three probes a second apart.
constexpr int KernelResolutionMs = 3500;
constexpr int KernelPollMs = 20;
constexpr uint16_t DiscardPort = 9;
// States in which the kernel holds a usable hardware address.
constexpr uint16_t NeighbourKnown =
    NUD_REACHABLE | NUD_PERMANENT | NUD_NOARP | NUD_STALE | NUD_DELAY | NUD_PROBE;

bool CanArp(const TInterfaceAddress &Entry)
{
    return (Entry.Flags & IFF_UP) && !(Entry.Flags & (IFF_LOOPBACK | IFF_NOARP)) &&
           Entry.HardwareAddress.size() == ETH_ALEN;
}

// The link the requests go out on, with the sender address they carry.
std::optional<TArpSender> ArpLink(in_addr Source, in_addr Target)
{
    auto link = LocalAddress(Source);
    if (!link) {
        link = InterfaceAddressOf(RouteInterfaceIndex(Target));
        if (!link)
            return std::nullopt;
    }
    if (!CanArp(*link))
        return std::nullopt;
    TArpSender sender{link->Index, link->Address, {}};
    std::copy(link->HardwareAddress.cbegin(), link->HardwareAddress.cend(), sender.Mac.begin());
    return sender;
}

// The hardware address of every address of this computer that speaks ARP.
QHash<quint32, QByteArray> OwnMacs()
{
    QHash<quint32, QByteArray> own;
    for (const TInterfaceAddress &entry : InterfaceAddresses())
        if (CanArp(entry))
            own.insert(entry.Address.s_addr, entry.HardwareAddress);
    return own;
}

void SendRequests(int Fd, const TArpSender &Link, const QSet<quint32> &Targets)
{
    for (const quint32 target : Targets)
        SendArpRequest(Fd, Link, in_addr{target});
}

// Records the replies that wait on the socket from the addresses in Pending, and takes them out.
void ReadReplies(int Fd, QSet<quint32> &Pending, TArpReplyTable &Replies)
{
    TArpReply reply;
    while (NextArpReply(Fd, reply))
        if (Pending.remove(reply.Address.s_addr))
            Replies.Record(reply.Address, QByteArray(reinterpret_cast<const char *>(reply.Mac.data()),
                                                     static_cast<int>(reply.Mac.size())));
}

// Gathers replies until every address in Pending has answered, Deadline passes or the sweep is
// cancelled.
void GatherReplies(int Fd, QSet<quint32> &Pending, TArpReplyTable &Replies, const QDeadlineTimer &Deadline)
{
    while (!Pending.isEmpty() && !Deadline.hasExpired() && !Replies.IsCancelled()) {
        pollfd wait{Fd, POLLIN, 0};
        const int timeout = static_cast<int>(std::min<qint64>(Deadline.remainingTime(), CancelCheckMs));
        const int ready = ::poll(&wait, 1, timeout);
        if (ready > 0)
            ReadReplies(Fd, Pending, Replies);
        else if (ready < 0 && errno != EINTR)
            return;
    }
}

void AskRaw(int Fd, const TArpSender &Link, QSet<quint32> Pending, TArpReplyTable &Replies)
{
    const QDeadlineTimer retry(RetryAfterMs), deadline(SweepMs);
    SendRequests(Fd, Link, Pending);
    GatherReplies(Fd, Pending, Replies, retry);
    SendRequests(Fd, Link, Pending);
    GatherReplies(Fd, Pending, Replies, deadline);
}

// HelperReason is what the helper said when it ran and refused or failed; empty when it could
// not run at all.
void WarnOnceAboutKernelResolution(const QString &HelperReason)
{
    static std::atomic_flag warned;
    if (warned.test_and_set())
        return;
    const QByteArray why =
        HelperReason.isEmpty()
            ? QByteArray("no permission for raw ARP requests (CAP_NET_RAW), and "
                         "wayfarel-nethelper cannot send them either")
            : "wayfarel-nethelper did not send the ARP requests (" + HelperReason.toLocal8Bit() + ")";
    std::fprintf(stderr,
                 "wayfarel: %s; using the kernel's neighbour resolution, which waits about 3 s for a silent "
                 "address\n",
                 why.constData());
}

// Records what the kernel's neighbour table says about the addresses in Pending, and takes out
// those it has settled: resolved, or failed to resolve.
void ReadNeighbours(int Index, QSet<quint32> &Pending, TArpReplyTable &Replies)
{
    for (const TNeighbour &entry : Neighbours(Index)) {
        if (!Pending.contains(entry.Address.s_addr))
            continue;
        if ((entry.State & NeighbourKnown) && entry.HardwareAddress.size() == ETH_ALEN)
            Replies.Record(entry.Address, entry.HardwareAddress);
        else if (entry.State & NUD_FAILED)
            Replies.Record(entry.Address, QByteArray());
        else
            continue;
        Pending.remove(entry.Address.s_addr);
    }
}

// Lets the kernel resolve every target by sending each an empty datagram, then watches its
// neighbour table for the outcomes.
void AskKernel(const TArpSender &Link, const QSet<quint32> &Targets, TArpReplyTable &Replies,
               const QString &HelperReason)
{
    WarnOnceAboutKernelResolution(HelperReason);
    TFd udp(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (udp.Get() < 0)
        return;
    QSet<quint32> pending;
    for (const quint32 target : Targets) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(DiscardPort);
        to.sin_addr.s_addr = target;
        if (::sendto(udp.Get(), "", 0, 0, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0)
            pending.insert(target);
    }
    const QDeadlineTimer deadline(KernelResolutionMs);
    while (!pending.isEmpty() && !deadline.hasExpired() && !Replies.IsCancelled()) {
        ReadNeighbours(Link.Index, pending, Replies);
        QThread::msleep(KernelPollMs);
    }
}

// Records the "IP MAC" lines the helper printed.
void ReadHelperAnswers(const QByteArray &Output, TArpReplyTable &Replies)
{
    for (const QByteArray &line : Output.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() != 2)
            continue;
        const auto address = ParseIpv4(QString::fromLatin1(fields.at(0)));
        const QString mac = QString::fromLatin1(fields.at(1));
        if (address && IsMacText(mac))
            Replies.Record(*address, QByteArray::fromHex(MacDigits(mac).toLatin1()));
    }
}

// Has the privileged helper send the requests, as many at a time as it takes; false when it
// cannot run or fails, with what it said in Reason, and the kernel is asked instead.
bool AskHelper(const TArpSender &Link, const QSet<quint32> &Targets, TArpReplyTable &Replies, QString &Reason)
{
    QStringList texts;
    for (const quint32 target : Targets)
        texts << Ipv4Text(in_addr{target});
    const QString interface = InterfaceName(Link.Index);
    for (qsizetype first = 0; first < texts.size() && !Replies.IsCancelled(); first += MaxProbeTargets) {
        const auto command =
            PrivilegedNet()->ProbeCommand(interface, SweepMs, texts.mid(first, MaxProbeTargets));
        if (!command)
            return false;
        const TProcessResult result =
            TProcessRunner().Run(command->Program, command->Arguments, HelperTimeoutMs);
        if (!result.Succeeded()) {
            Reason = QString::fromLocal8Bit(result.StdErr).simplified();
            if (Reason.isEmpty())
                Reason = result.Finished ? QStringLiteral("it ended with status %1").arg(result.ExitCode)
                                         : result.Error;
            return false;
        }
        ReadHelperAnswers(result.StdOut, Replies);
    }
    return true;
}

// The reader of a sweep: raw requests where this process may send them, else the privileged
// helper's, else the kernel.
void Ask(const TArpSender &Link, const QSet<quint32> &Targets, TArpReplyTable &Replies)
{
    TFd raw(OpenArpSocket(Link.Index));
    if (raw.Get() >= 0)
        AskRaw(raw.Get(), Link, Targets, Replies);
    else if (QString reason;
             (errno == EPERM || errno == EACCES) && !AskHelper(Link, Targets, Replies, reason))
        AskKernel(Link, Targets, Replies, reason);
}

// The address of the first interface that is up with an IPv4 address.
QString FirstEnabledAdapterAddress()
{
    const auto first = FirstNetworkAddress();
    return first ? Ipv4Text(first->Address) : QString();
}

QMutex SourceQueryLock;
TSourceAddressQuery SourceQuery;

} // namespace

TArpSweep::TArpSweep(const QString &SourceIp, const QStringList &Targets)
    : FReplies(std::make_unique<TArpReplyTable>())
{
    const QHash<quint32, QByteArray> own = OwnMacs();
    QSet<quint32> asked;
    for (const QString &text : Targets) {
        const auto target = ParseIpv4(text);
        if (!target)
            continue;
        if (own.contains(target->s_addr))
            FReplies->Record(*target, own.value(target->s_addr));
        else
            asked.insert(target->s_addr);
    }
    const in_addr source = ParseIpv4(SourceIp).value_or(in_addr{INADDR_NONE});
    const auto link = asked.isEmpty() ? std::nullopt : ArpLink(source, in_addr{*asked.cbegin()});
    if (!link) {
        FReplies->End();
        return;
    }
    FReader = std::thread([this, link = *link, asked] {
        Ask(link, asked, *FReplies);
        FReplies->End();
    });
}

TArpSweep::~TArpSweep()
{
    Cancel();
    if (FReader.joinable())
        FReader.join();
}

QString TArpSweep::MacOf(const QString &Target) const
{
    const auto target = ParseIpv4(Target);
    return target ? MacFromBytes(FReplies->Await(*target), QLatin1Char('-')) : QString();
}

void TArpSweep::Cancel() { FReplies->Cancel(); }

QString GetMacAddress(const QString &SourceIp, const QString &TargetIp)
{
    return TArpSweep(SourceIp, {TargetIp}).MacOf(TargetIp);
}

QString GetHostNameByIp(const QString &Ip)
{
    const auto address = ParseIpv4(Ip);
    if (!address)
        return {};
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_addr = *address;
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(reinterpret_cast<sockaddr *>(&socketAddress), sizeof socketAddress, host, sizeof host,
                      nullptr, 0, NI_NAMEREQD) != 0)
        return {};
    return QString::fromLocal8Bit(host);
}

QString FindUnusedIp(const QString &Prefix, int First, int Last)
{
    QStringList candidates;
    for (int n = std::max(First, FirstHostOctet); n <= std::min(Last, LastHostOctet); ++n)
        candidates << Prefix + QLatin1Char('.') + QString::number(n);
    const TArpSweep sweep(LocalSourceAddress(), candidates);
    const auto unused = std::find_if(candidates.cbegin(), candidates.cend(), [&](const QString &candidate) {
        return sweep.MacOf(candidate).isEmpty();
    });
    return unused == candidates.cend() ? QString() : *unused;
}

QString LocalSourceAddress()
{
    TSourceAddressQuery query;
    {
        QMutexLocker locker(&SourceQueryLock);
        query = SourceQuery;
    }
    return query ? query() : FirstEnabledAdapterAddress();
}

void SetSourceAddressQuery(TSourceAddressQuery Query)
{
    QMutexLocker locker(&SourceQueryLock);
    SourceQuery = std::move(Query);
}
