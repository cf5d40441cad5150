#include "platform/KernelConnections.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstring>
#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int ArphrdEther = 1;
constexpr unsigned IffUp = 0x1;
constexpr int MaxAddrLen = 32;  // the kernel's limit for a link-layer address

QString ReadAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll()).trimmed();
}

// The burnt-in address from the driver; empty when the driver has none (veth, tun).
QString PermanentMac(const QString &interfaceName)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return QString();
    alignas(ethtool_perm_addr) char buffer[sizeof(ethtool_perm_addr) + MaxAddrLen] = {};
    auto *request = reinterpret_cast<ethtool_perm_addr *>(buffer);
    request->cmd = ETHTOOL_GPERMADDR;
    request->size = MaxAddrLen;
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, interfaceName.toLocal8Bit().constData(), IFNAMSIZ - 1);
    ifr.ifr_data = buffer;
    const bool ok = ::ioctl(fd, SIOCETHTOOL, &ifr) == 0;
    ::close(fd);
    const quint8 *bytes = request->data;
    if (!ok || request->size != 6 || std::all_of(bytes, bytes + 6, [](quint8 b) { return b == 0; }))
        return QString();
    return QByteArray(reinterpret_cast<const char *>(bytes), 6).toHex(':').toUpper();
}

bool IsListedInterface(const QDir &dir)
{
    return ReadAttribute(dir.filePath("type")).toInt() == ArphrdEther &&
           dir.dirName() != QLatin1String("lo") && !dir.exists("bridge") && !dir.exists("bonding");
}

}  // namespace

TKernelConnectionManager::TKernelConnectionManager(const QString &sysNetDir,
                                                   const QString &udevDataDir)
    : FSysNetDir(sysNetDir), FUdevDataDir(udevDataDir)
{
}

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
      FGuid(StableGuid(interfaceName, PermanentMac(interfaceName)))
{
}

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
    FLastError = QStringLiteral("NetworkManager is not running: %1 cannot be switched").arg(FInterface);
    return false;
}

bool TKernelConnection::Connect() { return ReadOnly(); }

bool TKernelConnection::Disconnect() { return ReadOnly(); }

int TKernelConnection::InterfaceIndex()
{
    return Attribute("ifindex").toInt();
}
