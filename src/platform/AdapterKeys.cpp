#include "platform/AdapterKeys.h"

#include "base/Exceptions.h"
#include "base/NetText.h"
#include "platform/NMSettings.h"
#include "platform/NetConnection.h"
#include "platform/Registry.h"

#include <QRegularExpression>
#include <QUuid>

namespace {

const QString InstanceIdValue = QStringLiteral("NetCfgInstanceId");
const QString NetworkAddressValue = QStringLiteral("NetworkAddress");
constexpr int DriverKeyDigits = 4;

bool Is(const QString &name, const QString &expected)
{
    return name.compare(expected, Qt::CaseInsensitive) == 0;
}

QString DriverKeyName(int index)
{
    return QStringLiteral("%1").arg(index, DriverKeyDigits, 10, QLatin1Char('0'));
}

bool ReadProfile(const QDBusConnection &bus, const QString &uuid, TNMProfile &profile)
{
    return !uuid.isEmpty() && TNMSettings(bus).ReadProfile(uuid, profile);
}

[[noreturn]] void ReadOnlyKey(const QString &path, const QString &name)
{
    throw ERegistryException(
        QStringLiteral("%1\\%2 is read-only: it shows the connection's settings").arg(path, name));
}

} // namespace

QString AdapterClassKeyPath()
{
    return QStringLiteral(
        "\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}");
}

QString TcpipInterfacesKeyPath()
{
    return QStringLiteral("\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces");
}

QString NetworkAddressError(const QString &text)
{
    static const QRegularExpression twelveHex(QStringLiteral("^[0-9A-Fa-f]{12}$"));
    if (!twelveHex.match(text).hasMatch())
        return QStringLiteral("'%1' is not a MAC address of twelve hexadecimal digits").arg(text);
    if (text.mid(0, 2).toInt(nullptr, 16) & 1)
        return QStringLiteral("'%1' is a multicast address").arg(text);
    if (IsUnsetMac(text))
        return QStringLiteral("'%1' is no adapter address").arg(text);
    return QString();
}

TAdapterClassKeyProvider::TAdapterClassKeyProvider(const QDBusConnection &bus) : FBus(bus) {}

QString TAdapterClassKeyProvider::ProfileOf(const QString &path)
{
    bool isNumber = false;
    const int index = path.toInt(&isNumber);
    if (!isNumber || path.size() != DriverKeyDigits)
        return QString();
    return TNMSettings(FBus).ListedProfiles().value(index);
}

bool TAdapterClassKeyProvider::KeyExists(const QString &path)
{
    return path.isEmpty() || !ProfileOf(path).isEmpty();
}

QStringList TAdapterClassKeyProvider::KeyNames(const QString &path)
{
    if (!path.isEmpty())
        return {};
    QStringList names;
    const int count = static_cast<int>(TNMSettings(FBus).ListedProfiles().size());
    for (int i = 0; i < count; ++i)
        names.append(DriverKeyName(i));
    return names;
}

QStringList TAdapterClassKeyProvider::ValueNames(const QString &path)
{
    TNMProfile profile;
    if (!ReadProfile(FBus, ProfileOf(path), profile))
        return {};
    QStringList names{InstanceIdValue};
    if (!TNMSettings::AssignedMac(profile).isEmpty())
        names.append(NetworkAddressValue);
    return names;
}

std::optional<TRegValue> TAdapterClassKeyProvider::ReadValue(const QString &path, const QString &name)
{
    TNMProfile profile;
    if (!ReadProfile(FBus, ProfileOf(path), profile))
        return std::nullopt;
    if (Is(name, InstanceIdValue))
        return TRegValue::FromString(REG_SZ, AdapterIdFromUuid(QUuid(profile.Uuid)));
    const QString mac = TNMSettings::AssignedMac(profile).remove(QLatin1Char(':'));
    if (Is(name, NetworkAddressValue) && !mac.isEmpty())
        return TRegValue::FromString(REG_SZ, mac);
    return std::nullopt;
}

void TAdapterClassKeyProvider::SetNetworkAddress(const QString &path, const QString &mac)
{
    TNMSettings nm(FBus);
    TNMProfile profile;
    if (!ReadProfile(FBus, ProfileOf(path), profile))
        throw ERegistryException(QStringLiteral("no adapter for driver key %1").arg(path));
    TNMSettingsMap settings = profile.Settings;
    TNMSettings::SetAssignedMac(settings, profile.Type, mac);
    if (!nm.Update(profile, settings))
        throw ERegistryException(nm.LastError());
}

void TAdapterClassKeyProvider::WriteValue(const QString &path, const QString &name, const TRegValue &value)
{
    if (!Is(name, NetworkAddressValue))
        ReadOnlyKey(path, name);
    if (value.Type != REG_SZ)
        throw ERegistryException(QStringLiteral("NetworkAddress must be a string"));
    const QString digits = value.AsString().trimmed();
    const QString error = NetworkAddressError(digits);
    if (!error.isEmpty())
        throw ERegistryException(error);
    SetNetworkAddress(path, MacFromDigits(digits, QLatin1Char(':')));
}

void TAdapterClassKeyProvider::DeleteValue(const QString &path, const QString &name)
{
    if (!Is(name, NetworkAddressValue))
        ReadOnlyKey(path, name);
    SetNetworkAddress(path, QString());
}

TTcpipInterfacesProvider::TTcpipInterfacesProvider(const QDBusConnection &bus) : FBus(bus) {}

QString TTcpipInterfacesProvider::ProfileOf(const QString &path)
{
    if (path.isEmpty() || path.contains(QLatin1Char('\\')))
        return QString();
    for (const QString &uuid : TNMSettings(FBus).ListedProfiles())
        if (Is(AdapterIdFromUuid(QUuid(uuid)), path))
            return uuid;
    return QString();
}

bool TTcpipInterfacesProvider::KeyExists(const QString &path)
{
    return path.isEmpty() || !ProfileOf(path).isEmpty();
}

QStringList TTcpipInterfacesProvider::KeyNames(const QString &path)
{
    QStringList names;
    if (path.isEmpty())
        for (const QString &uuid : TNMSettings(FBus).ListedProfiles())
            names.append(AdapterIdFromUuid(QUuid(uuid)));
    return names;
}

QStringList TTcpipInterfacesProvider::ValueNames(const QString &path)
{
    if (ProfileOf(path).isEmpty())
        return {};
    return {QStringLiteral("EnableDHCP"), QStringLiteral("IPAddress"), QStringLiteral("SubnetMask"),
            QStringLiteral("DefaultGateway"), QStringLiteral("NameServer")};
}

std::optional<TRegValue> TTcpipInterfacesProvider::ReadValue(const QString &path, const QString &name)
{
    TNMProfile profile;
    if (!ReadProfile(FBus, ProfileOf(path), profile))
        return std::nullopt;
    const TNMIPv4 ipv4 = TNMSettings::IPv4Of(profile.Settings);
    if (Is(name, QStringLiteral("EnableDHCP")))
        return TRegValue::FromDword(ipv4.Method == QLatin1String("auto") ? 1 : 0);
    if (Is(name, QStringLiteral("IPAddress")))
        return TRegValue::FromMultiString(ipv4.Addresses);
    if (Is(name, QStringLiteral("SubnetMask"))) {
        QStringList masks;
        for (int prefix : ipv4.Prefixes)
            masks.append(PrefixToMask(prefix));
        return TRegValue::FromMultiString(masks);
    }
    if (Is(name, QStringLiteral("DefaultGateway")))
        return TRegValue::FromMultiString(ipv4.Gateway.isEmpty() ? QStringList() : QStringList{ipv4.Gateway});
    if (Is(name, QStringLiteral("NameServer")))
        return TRegValue::FromString(REG_SZ, ipv4.Dns.join(QLatin1Char(',')));
    return std::nullopt;
}

void TTcpipInterfacesProvider::WriteValue(const QString &path, const QString &name, const TRegValue &)
{
    ReadOnlyKey(path, name);
}

void TTcpipInterfacesProvider::DeleteValue(const QString &path, const QString &name)
{
    ReadOnlyKey(path, name);
}

void MountAdapterKeys(const QDBusConnection &bus)
{
    TRegistry::Mount(HKEY_LOCAL_MACHINE, AdapterClassKeyPath(),
                     std::make_shared<TAdapterClassKeyProvider>(bus));
    TRegistry::Mount(HKEY_LOCAL_MACHINE, TcpipInterfacesKeyPath(),
                     std::make_shared<TTcpipInterfacesProvider>(bus));
}

void UnmountAdapterKeys()
{
    TRegistry::Unmount(HKEY_LOCAL_MACHINE, AdapterClassKeyPath());
    TRegistry::Unmount(HKEY_LOCAL_MACHINE, TcpipInterfacesKeyPath());
}
