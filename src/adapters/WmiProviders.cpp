#include "adapters/WmiProviders.h"

#include "platform/NetAdapters.h"
#include "platform/Printers.h"

#include <algorithm>

namespace {

QVariant ArrayOrNull(const QStringList &items) { return items.isEmpty() ? QVariant() : QVariant(items); }

QVariant TextOrNull(const QString &text) { return text.isEmpty() ? QVariant() : QVariant(text); }

QStringList Masks(const QList<int> &prefixes)
{
    QStringList masks;
    for (int prefix : prefixes)
        masks.append(PrefixToMask(prefix));
    return masks;
}

TWmiObject ConfigurationOf(const TNetAdapterInfo &adapter)
{
    const bool live = adapter.Active;
    const bool isProfile = !adapter.ProfileUuid.isEmpty();
    const QStringList addresses = live ? adapter.Link.Addresses : adapter.Stored.Addresses;
    const QStringList subnets = live ? adapter.Link.Masks : Masks(adapter.Stored.Prefixes);
    QString gateway = adapter.Stored.Gateway;
    QStringList dns = adapter.Stored.Dns;
    if (live) {
        gateway = isProfile ? adapter.Live.Gateway : adapter.Link.Gateway;
        dns = adapter.Live.Dns;
    }
    const QString mac = !live && !adapter.AssignedMac.isEmpty() ? adapter.AssignedMac : adapter.Link.Mac;
    TWmiObject object(QStringLiteral("Win32_NetworkAdapterConfiguration"));
    object
        .Add(QStringLiteral("DefaultIPGateway"),
             ArrayOrNull(gateway.isEmpty() ? QStringList() : QStringList{gateway}), true)
        .Add(QStringLiteral("Description"), adapter.Description)
        .Add(QStringLiteral("DHCPEnabled"), adapter.Stored.Method == QLatin1String("auto"))
        .Add(QStringLiteral("DNSServerSearchOrder"), ArrayOrNull(dns), true)
        .Add(QStringLiteral("InterfaceIndex"), adapter.Link.Index)
        .Add(QStringLiteral("IPAddress"), ArrayOrNull(addresses), true)
        .Add(QStringLiteral("IPEnabled"), live && !addresses.isEmpty())
        .Add(QStringLiteral("IPSubnet"), ArrayOrNull(subnets), true)
        .Add(QStringLiteral("MACAddress"), TextOrNull(mac))
        .Add(QStringLiteral("SettingID"), adapter.Id);
    return object;
}

TWmiObject AdapterOf(const TNetAdapterInfo &adapter)
{
    TWmiObject object(QStringLiteral("Win32_NetworkAdapter"));
    object.Add(QStringLiteral("GUID"), adapter.Id)
        .Add(QStringLiteral("InterfaceIndex"), adapter.Link.Index)
        .Add(QStringLiteral("MACAddress"), TextOrNull(adapter.Link.Mac))
        .Add(QStringLiteral("Name"), adapter.Description)
        .Add(QStringLiteral("NetConnectionID"), adapter.Name);
    return object;
}

QList<TNetAdapterInfo> Profiles(const QDBusConnection &bus)
{
    QString error;
    QList<TNetAdapterInfo> profiles = ReadProfileAdapters(bus, error);
    if (profiles.isEmpty() && !error.isEmpty())
        throw EWmiError(QStringLiteral("NetworkManager: %1").arg(error));
    return profiles;
}

QStringList ArrayParameter(const TWmiObject &inParams, const QString &name)
{
    return inParams.HasProperty(name) ? inParams.Property(name).toStringList() : QStringList();
}

int ToDHCP(TNMIPv4 &ipv4)
{
    ipv4.Method = QStringLiteral("auto");
    ipv4.Addresses.clear();
    ipv4.Prefixes.clear();
    ipv4.Gateway.clear();
    return wrvSuccess;
}

int ToStatic(TNMIPv4 &ipv4, const TWmiObject &inParams)
{
    const QStringList addresses = ArrayParameter(inParams, QStringLiteral("IPAddress"));
    const QStringList masks = ArrayParameter(inParams, QStringLiteral("SubnetMask"));
    if (addresses.isEmpty() || addresses.size() != masks.size())
        return wrvInvalidInputParameter;
    QList<int> prefixes;
    for (int i = 0; i < addresses.size(); ++i) {
        if (!IsHostAddress(addresses.at(i)))
            return wrvInvalidIPAddress;
        prefixes.append(MaskToPrefix(masks.at(i)));
        if (prefixes.last() < 1)
            return wrvInvalidSubnetMask;
    }
    ipv4.Method = QStringLiteral("manual");
    ipv4.Addresses.clear();
    for (const QString &address : addresses)
        ipv4.Addresses.append(address.trimmed());
    ipv4.Prefixes = prefixes;
    return wrvSuccess;
}

int ToGateway(TNMIPv4 &ipv4, const TWmiObject &inParams)
{
    const QString gateway = ArrayParameter(inParams, QStringLiteral("DefaultIPGateway")).value(0).trimmed();
    if (!gateway.isEmpty() && !IsHostAddress(gateway))
        return wrvInvalidGateway;
    ipv4.Gateway = gateway;
    return wrvSuccess;
}

int ToDns(TNMIPv4 &ipv4, const TWmiObject &inParams)
{
    QStringList servers;
    for (const QString &server : ArrayParameter(inParams, QStringLiteral("DNSServerSearchOrder"))) {
        if (!IsHostAddress(server))
            return wrvInvalidIPAddress;
        servers.append(server.trimmed());
    }
    ipv4.Dns = servers;
    ipv4.IgnoreAutoDns = !servers.isEmpty();
    return wrvSuccess;
}

bool FindProfile(TNMSettings &nm, const QString &settingId, TNMProfile &profile)
{
    for (const QString &uuid : nm.ListedProfiles())
        if (AdapterIdFromUuid(QUuid(uuid)) == settingId)
            return nm.ReadProfile(uuid, profile);
    return false;
}

} // namespace

std::vector<std::shared_ptr<IWmiProvider>> BuiltInWmiProviders()
{
    const QDBusConnection bus = QDBusConnection::systemBus();
    return {std::make_shared<TAdapterConfigurationProvider>(bus),
            std::make_shared<TNetworkAdapterProvider>(bus), std::make_shared<TPrinterProvider>()};
}

TAdapterConfigurationProvider::TAdapterConfigurationProvider(const QDBusConnection &bus) : FBus(bus) {}

QList<TWmiObject> TAdapterConfigurationProvider::Instances()
{
    // Several profiles may share a device: a query by interface index finds the one in use,
    // else the device as it is, before any saved settings.
    QList<TNetAdapterInfo> adapters = Profiles(FBus);
    const auto inactive = std::stable_partition(
        adapters.begin(), adapters.end(), [](const TNetAdapterInfo &adapter) { return adapter.Active; });
    QList<TNetAdapterInfo> ordered(adapters.begin(), inactive);
    ordered += ReadKernelAdapters();
    ordered += QList<TNetAdapterInfo>(inactive, adapters.end());
    QList<TWmiObject> result;
    for (const TNetAdapterInfo &adapter : ordered)
        result.append(ConfigurationOf(adapter));
    return result;
}

TWmiObject TAdapterConfigurationProvider::ExecMethod(const TWmiObject &instance, const QString &method,
                                                     const TWmiObject &inParams)
{
    const QString settingId = instance.Property(QStringLiteral("SettingID")).toString();
    TNMSettings nm(FBus);
    TNMProfile profile;
    if (!FindProfile(nm, settingId, profile))
        throw EWmiError(nm.LastError().isEmpty()
                            ? QStringLiteral("no NetworkManager connection %1 to configure").arg(settingId)
                            : nm.LastError());
    TNMIPv4 ipv4 = TNMSettings::IPv4Of(profile.Settings);
    int result = wrvSuccess;
    if (method.compare(QLatin1String("EnableDHCP"), Qt::CaseInsensitive) == 0)
        result = ToDHCP(ipv4);
    else if (method.compare(QLatin1String("EnableStatic"), Qt::CaseInsensitive) == 0)
        result = ToStatic(ipv4, inParams);
    else if (method.compare(QLatin1String("SetGateways"), Qt::CaseInsensitive) == 0)
        result = ToGateway(ipv4, inParams);
    else if (method.compare(QLatin1String("SetDNSServerSearchOrder"), Qt::CaseInsensitive) == 0)
        result = ToDns(ipv4, inParams);
    else
        return IWmiProvider::ExecMethod(instance, method, inParams);
    if (result == wrvSuccess) {
        TNMSettingsMap settings = profile.Settings;
        TNMSettings::SetIPv4(settings, ipv4);
        if (!nm.Update(profile, settings) || !nm.Apply(profile))
            throw EWmiError(nm.LastError());
    }
    return TWmiObject(QStringLiteral("__PARAMETERS")).Add(QStringLiteral("ReturnValue"), result);
}

TNetworkAdapterProvider::TNetworkAdapterProvider(const QDBusConnection &bus) : FBus(bus) {}

QList<TWmiObject> TNetworkAdapterProvider::Instances()
{
    QList<TWmiObject> result;
    for (const TNetAdapterInfo &adapter : Profiles(FBus) + ReadKernelAdapters())
        result.append(AdapterOf(adapter));
    return result;
}

QList<TWmiObject> TPrinterProvider::Instances()
{
    QList<TPrinterInfo> printers;
    QString reason;
    if (!InstalledPrinters(printers, &reason))
        throw EWmiError(reason);
    QList<TWmiObject> result;
    for (const TPrinterInfo &printer : printers)
        result.append(TWmiObject(ClassName())
                          .Add(QStringLiteral("Default"), printer.Default)
                          .Add(QStringLiteral("DeviceID"), printer.Name)
                          .Add(QStringLiteral("Name"), printer.Name));
    return result;
}
