#include "platform/networkmanager/AdapterKeys.h"

#include "base/Exceptions.h"
#include "base/NetText.h"
#include "platform/networkmanager/NMSettings.h"
#include "platform/networkmanager/NetConnection.h"
#include "platform/registry/Registry.h"

#include <QRegularExpression>
#include <QUuid>

namespace {

const QString InstanceIdValue = QStringLiteral("NetCfgInstanceId");
const QString NetworkAddressValue = QStringLiteral("NetworkAddress");
const QString ProfilePathPrefix = QStringLiteral("/org/freedesktop/NetworkManager/Settings/");
constexpr int DriverKeyDigits = 4;

bool Is(const QString &name, const QString &expected)
{
    return name.compare(expected, Qt::CaseInsensitive) == 0;
}

QString DriverKeyName(const QString &profilePath)
{
    return QStringLiteral("%1").arg(profilePath.mid(ProfilePathPrefix.size()).toInt(), DriverKeyDigits, 10,
                                    QLatin1Char('0'));
}

// The object path a driver key stands for; empty for a name that is no driver key's.
QString ProfilePathOf(const QString &key)
{
    bool isNumber = false;
    const int number = key.toInt(&isNumber);
    if (!isNumber || number < 0 || key.size() < DriverKeyDigits)
        return QString();
    return ProfilePathPrefix + QString::number(number);
}

// The profile a TCP/IP interface key, named by adapter id, stands for.
bool ReadInterfaceProfile(TNMSettings &nm, const QString &key, TNMProfile &profile)
{
    const QUuid uuid(key);
    return !uuid.isNull() && Is(AdapterIdFromUuid(uuid), key) &&
           nm.ReadProfile(uuid.toString(QUuid::WithoutBraces), profile) && TNMSettings::IsListed(profile);
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

TAdapterClassKeyProvider::TAdapterClassKeyProvider(std::shared_ptr<TNMSettings> nm) : FNM(std::move(nm)) {}

bool TAdapterClassKeyProvider::KeyExists(const QString &path)
{
    return path.isEmpty() || !FNM->UuidAt(ProfilePathOf(path)).isEmpty();
}

QStringList TAdapterClassKeyProvider::KeyNames(const QString &path)
{
    QStringList names;
    if (path.isEmpty())
        for (const QString &profilePath : FNM->ProfilePaths())
            names.append(DriverKeyName(profilePath));
    return names;
}

QStringList TAdapterClassKeyProvider::ValueNames(const QString &path)
{
    TNMProfile profile;
    if (!FNM->ReadProfileAt(ProfilePathOf(path), profile) || !TNMSettings::IsListed(profile))
        return {};
    QStringList names{InstanceIdValue};
    if (!TNMSettings::AssignedMac(profile).isEmpty())
        names.append(NetworkAddressValue);
    return names;
}

// The instance id never changes for a key and is answered without asking NetworkManager again.
std::optional<TRegValue> TAdapterClassKeyProvider::ReadValue(const QString &path, const QString &name)
{
    if (Is(name, InstanceIdValue)) {
        const QString uuid = FNM->UuidAt(ProfilePathOf(path));
        return uuid.isEmpty() ? std::nullopt
                              : std::optional(TRegValue::FromString(REG_SZ, AdapterIdFromUuid(QUuid(uuid))));
    }
    TNMProfile profile;
    if (!Is(name, NetworkAddressValue) || !FNM->ReadProfileAt(ProfilePathOf(path), profile) ||
        !TNMSettings::IsListed(profile))
        return std::nullopt;
    const QString mac = TNMSettings::AssignedMac(profile).remove(QLatin1Char(':'));
    if (mac.isEmpty())
        return std::nullopt;
    return TRegValue::FromString(REG_SZ, mac);
}

void TAdapterClassKeyProvider::SetNetworkAddress(const QString &path, const QString &mac)
{
    TNMProfile profile;
    if (!FNM->ReadProfileAt(ProfilePathOf(path), profile) || !TNMSettings::IsListed(profile))
        throw ERegistryException(QStringLiteral("no adapter for driver key %1").arg(path));
    TNMSettingsMap settings = profile.Settings;
    TNMSettings::SetAssignedMac(settings, profile.Type, mac);
    if (!FNM->Update(profile, settings))
        throw ERegistryException(FNM->LastError());
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

TTcpipInterfacesProvider::TTcpipInterfacesProvider(std::shared_ptr<TNMSettings> nm) : FNM(std::move(nm)) {}

bool TTcpipInterfacesProvider::KeyExists(const QString &path)
{
    TNMProfile profile;
    return path.isEmpty() || ReadInterfaceProfile(*FNM, path, profile);
}

QStringList TTcpipInterfacesProvider::KeyNames(const QString &path)
{
    QStringList names;
    if (path.isEmpty())
        for (const QString &profilePath : FNM->ProfilePaths())
            names.append(AdapterIdFromUuid(QUuid(FNM->UuidAt(profilePath))));
    return names;
}

QStringList TTcpipInterfacesProvider::ValueNames(const QString &path)
{
    TNMProfile profile;
    if (!ReadInterfaceProfile(*FNM, path, profile))
        return {};
    return {QStringLiteral("EnableDHCP"), QStringLiteral("IPAddress"), QStringLiteral("SubnetMask"),
            QStringLiteral("DefaultGateway"), QStringLiteral("NameServer")};
}

std::optional<TRegValue> TTcpipInterfacesProvider::ReadValue(const QString &path, const QString &name)
{
    TNMProfile profile;
    if (!ReadInterfaceProfile(*FNM, path, profile))
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

void MountAdapterKeys(const std::shared_ptr<TNMSettings> &nm)
{
    TRegistry::Mount(HKEY_LOCAL_MACHINE, AdapterClassKeyPath(),
                     std::make_shared<TAdapterClassKeyProvider>(nm));
    TRegistry::Mount(HKEY_LOCAL_MACHINE, TcpipInterfacesKeyPath(),
                     std::make_shared<TTcpipInterfacesProvider>(nm));
}

void UnmountAdapterKeys()
{
    TRegistry::Unmount(HKEY_LOCAL_MACHINE, AdapterClassKeyPath());
    TRegistry::Unmount(HKEY_LOCAL_MACHINE, TcpipInterfacesKeyPath());
}
