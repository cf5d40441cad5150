#include "platform/kernel/KernelConnections.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <ifaddrs.h>
#include <linux/ethtool.h>
#include <linux/if_packet.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int ArphrdEther = 1;
constexpr unsigned IffUp = 0x1;
constexpr int MaxAddrLen = 32; // the kernel's limit for a link-layer address

QString ReadAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll()).trimmed();
}

// The burnt-in address from the driver; empty when the driver has none (veth, tun). Where the
// driver cannot be asked (a sandbox, say), the current address when the kernel says it is the
// burnt-in one, so an adapter's id does not depend on being able to ask.
QString PermanentMac(const QString &sysNetDir, const QString &interfaceName)
{
    const QString linkDir = sysNetDir + '/' + interfaceName + '/';
    const auto currentIfBurntIn = [&linkDir] {
        return ReadAttribute(linkDir + QStringLiteral("addr_assign_type")) == QLatin1String("0")
                   ? ReadAttribute(linkDir + QStringLiteral("address")).toUpper()
                   : QString();
    };
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return currentIfBurntIn();
    alignas(ethtool_perm_addr) char buffer[sizeof(ethtool_perm_addr) + MaxAddrLen] = {};
    auto *request = reinterpret_cast<ethtool_perm_addr *>(buffer);
    request->cmd = ETHTOOL_GPERMADDR;
    request->size = MaxAddrLen;
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, interfaceName.toLocal8Bit().constData(), IFNAMSIZ - 1);
    ifr.ifr_data = buffer;
    const bool ok = ::ioctl(fd, SIOCETHTOOL, &ifr) == 0;
    ::close(fd);
    if (!ok)
        return currentIfBurntIn();
    const quint8 *bytes = request->data;
    if (request->size != 6 || std::all_of(bytes, bytes + 6, [](quint8 b) { return b == 0; }))
        return QString();
    return QByteArray(reinterpret_cast<const char *>(bytes), 6).toHex(':').toUpper();
}

QString AddressText(const sockaddr *address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(address)->sin_addr, text, sizeof text);
    return QString::fromLatin1(text);
}

// The gateway of the interface's default route in a /proc/net/route table.
QString DefaultGateway(const QString &interfaceName, const QString &routeTable)
{
    QFile file(routeTable);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3 || QString::fromLatin1(fields.at(0)) != interfaceName ||
            fields.at(1) != "00000000")
            continue;
        bool ok = false;
        const in_addr gateway{static_cast<in_addr_t>(fields.at(2).toUInt(&ok, 16))};
        if (ok && gateway.s_addr != 0) {
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &gateway, text, sizeof text);
            return QString::fromLatin1(text);
        }
    }
    return QString();
}

bool IsListedInterface(const QDir &dir)
{
    return ReadAttribute(dir.filePath("type")).toInt() == ArphrdEther &&
           dir.dirName() != QLatin1String("lo") && !dir.exists("bridge") && !dir.exists("bonding");
}

} // namespace

TKernelLink ReadKernelLink(const QString &interfaceName, const QString &routeTable)
{
    TKernelLink link;
    const QByteArray name = interfaceName.toLocal8Bit();
    link.Index = static_cast<int>(if_nametoindex(name.constData()));
    ifaddrs *list = nullptr;
    if (link.Index == 0 || getifaddrs(&list) != 0)
        return link;
    for (const ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || name != entry->ifa_name)
            continue;
        if (entry->ifa_addr->sa_family == AF_INET) {
            link.Addresses.append(AddressText(entry->ifa_addr));
            link.Masks.append(entry->ifa_netmask ? AddressText(entry->ifa_netmask) : QString());
        } else if (entry->ifa_addr->sa_family == AF_PACKET) {
            const auto *hw = reinterpret_cast<const sockaddr_ll *>(entry->ifa_addr);
            if (hw->sll_halen == 6)
                link.Mac = QByteArray(reinterpret_cast<const char *>(hw->sll_addr), 6).toHex(':').toUpper();
        }
    }
    freeifaddrs(list);
    link.Gateway = DefaultGateway(interfaceName, routeTable);
    return link;
}

TKernelConnectionManager::TKernelConnectionManager(const QString &sysNetDir, const QString &udevDataDir)
    : FSysNetDir(sysNetDir), FUdevDataDir(udevDataDir)
{}

TNetConnections TKernelConnectionManager::EnumConnections()
{
    QDir root(FSysNetDir);
    if (!root.exists()) {
        FLastError = QStringLiteral("no interface list at %1").arg(FSysNetDir);
        return {};
    }
    QList<QPair<int, QString>> interfaces;
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir dir(root.filePath(name));
        if (IsListedInterface(dir))
            interfaces.append({ReadAttribute(dir.filePath("ifindex")).toInt(), name});
    }
    std::sort(interfaces.begin(), interfaces.end());
    TNetConnections result;
    for (const auto &entry : interfaces)
        result.push_back(std::make_shared<TKernelConnection>(FSysNetDir, FUdevDataDir, entry.second));
    return result;
}

TKernelConnection::TKernelConnection(const QString &sysNetDir, const QString &udevDataDir,
                                     const QString &interfaceName)
    : FSysNetDir(sysNetDir), FUdevDataDir(udevDataDir), FInterface(interfaceName),
      FGuid(StableGuid(interfaceName, PermanentMac(sysNetDir, interfaceName)))
{}

QString TKernelConnection::StableGuid(const QString &interfaceName, const QString &permanentMac)
{
    static const QUuid space(QStringLiteral("{6f0c2a36-5d4e-4b8e-9a51-3c7d2e8f1b20}"));
    return AdapterIdFromUuid(QUuid::createUuidV5(space, interfaceName + '/' + permanentMac.toUpper()));
}

QString TKernelConnection::Attribute(const QString &name) const
{
    return ReadAttribute(FSysNetDir + '/' + FInterface + '/' + name);
}

bool TKernelConnection::GetProperties(TNetConProperties &props)
{
    if (!QDir(FSysNetDir + '/' + FInterface).exists()) {
        FLastError = QStringLiteral("interface %1 no longer exists").arg(FInterface);
        return false;
    }
    props.Guid = FGuid;
    props.Name = FInterface;
    props.DeviceName = InterfaceDescription(FInterface, InterfaceIndex(), FUdevDataDir);
    const bool up = Attribute("flags").toUInt(nullptr, 16) & IffUp;
    const bool carrier = Attribute("carrier") == QLatin1String("1");
    TDeviceState state = TDeviceState::Disconnected;
    if (up)
        state = carrier ? TDeviceState::Activated : TDeviceState::Unavailable;
    props.DeviceState = static_cast<quint32>(state);
    return true;
}

bool TKernelConnection::ReadOnly()
{
    FLastError = NotSwitchableReason();
    return false;
}

bool TKernelConnection::Connect() { return ReadOnly(); }

bool TKernelConnection::Disconnect() { return ReadOnly(); }

bool TKernelConnection::Apply(const TConnectionSettings &, int, TConnectionOutcome &outcome)
{
    outcome = {};
    return ReadOnly();
}

int TKernelConnection::InterfaceIndex() const { return Attribute("ifindex").toInt(); }
