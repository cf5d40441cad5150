#include "adapters/WmiProviders.h"

#include "app/uConfig.h"
#include "platform/networkmanager/NetAdapters.h"
#include "platform/printing/Printers.h"
#include "platform/sharing/DriveConnections.h"
#include "platform/sharing/UserShares.h"

#include <QUuid>
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

bool Is(const QString &name, const QString &expected)
{
    return name.compare(expected, Qt::CaseInsensitive) == 0;
}

QList<TNetAdapterInfo> Profiles(TNMSettings &nm)
{
    QString error;
    QList<TNetAdapterInfo> profiles = ReadProfileAdapters(nm, error);
    if (profiles.isEmpty() && !error.isEmpty())
        throw EWmiError(QStringLiteral("NetworkManager: %1").arg(error));
    return profiles;
}

// The adapter with this id: its profile, else the kernel interface.
QList<TNetAdapterInfo> AdaptersWithId(TNMSettings &nm, const QString &id)
{
    const QUuid uuid(id);
    TNetAdapterInfo profile;
    if (!uuid.isNull() && ReadProfileAdapter(nm, uuid.toString(QUuid::WithoutBraces), profile))
        return {profile};
    QList<TNetAdapterInfo> result;
    for (const TNetAdapterInfo &adapter : ReadKernelAdapters())
        if (Is(adapter.Id, id))
            result.append(adapter);
    return result;
}

// The adapters on the interface, as the whole enumeration would order them: the profile active
// there, else the interface itself. Empty when neither is there.
QList<TNetAdapterInfo> AdaptersOnInterface(TNMSettings &nm, int index)
{
    TNetAdapterInfo active;
    if (ReadActiveAdapterOn(nm, index, active))
        return {active};
    QList<TNetAdapterInfo> result;
    for (const TNetAdapterInfo &adapter : ReadKernelAdapters())
        if (adapter.Link.Index == index)
            result.append(adapter);
    return result;
}

template <class TToObject>
QList<TWmiObject> ObjectsOf(const QList<TNetAdapterInfo> &adapters, TToObject toObject)
{
    QList<TWmiObject> result;
    for (const TNetAdapterInfo &adapter : adapters)
        result.append(toObject(adapter));
    return result;
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

TWmiObject Result(int returnValue)
{
    return TWmiObject(QStringLiteral("__PARAMETERS")).Add(QStringLiteral("ReturnValue"), returnValue);
}

} // namespace

TAdapterConfigurationProvider::TAdapterConfigurationProvider(std::shared_ptr<TNMSettings> nm)
    : FNM(std::move(nm))
{}

QList<TWmiObject> TAdapterConfigurationProvider::Instances()
{
    // Several profiles may share a device: a query by interface index finds the one in use,
    // else the device as it is, before any saved settings.
    QList<TNetAdapterInfo> adapters = Profiles(*FNM);
    const auto inactive = std::stable_partition(
        adapters.begin(), adapters.end(), [](const TNetAdapterInfo &adapter) { return adapter.Active; });
    QList<TNetAdapterInfo> ordered(adapters.begin(), inactive);
    ordered += ReadKernelAdapters();
    ordered += QList<TNetAdapterInfo>(inactive, adapters.end());
    return ObjectsOf(ordered, ConfigurationOf);
}

QList<TWmiObject> TAdapterConfigurationProvider::InstancesWhere(const QString &property,
                                                                const QVariant &literal)
{
    if (Is(property, QStringLiteral("SettingID")))
        return ObjectsOf(AdaptersWithId(*FNM, literal.toString()), ConfigurationOf);
    if (Is(property, QStringLiteral("InterfaceIndex"))) {
        const QList<TNetAdapterInfo> adapters = AdaptersOnInterface(*FNM, literal.toInt());
        if (!adapters.isEmpty())
            return ObjectsOf(adapters, ConfigurationOf);
    }
    return Instances();
}

TWmiObject TAdapterConfigurationProvider::ExecMethod(const TWmiObject &instance, const QString &method,
                                                     const TWmiObject &inParams)
{
    TNMIPv4 checked;
    if (Is(method, TNetworkAdapterConfiguration::ApplyChangesMethod()))
        return ApplyChanges(instance.Property(QStringLiteral("SettingID")).toString(), inParams);
    if (Is(method, QStringLiteral("EnableDHCP")))
        return Result(ToDHCP(checked));
    if (Is(method, QStringLiteral("EnableStatic")))
        return Result(ToStatic(checked, inParams));
    if (Is(method, QStringLiteral("SetGateways")))
        return Result(ToGateway(checked, inParams));
    if (Is(method, QStringLiteral("SetDNSServerSearchOrder")))
        return Result(ToDns(checked, inParams));
    return IWmiProvider::ExecMethod(instance, method, inParams);
}

// The changes in the order the methods make them; any refusal leaves the profile as it is. The
// out-parameter Action says what reached the system.
TWmiObject TAdapterConfigurationProvider::ApplyChanges(const QString &settingId, const TWmiObject &inParams)
{
    const QUuid uuid(settingId);
    TNMProfile profile;
    if (uuid.isNull() || !FNM->ReadProfile(uuid.toString(QUuid::WithoutBraces), profile))
        throw EWmiError(QStringLiteral("no NetworkManager connection %1 to configure: %2")
                            .arg(settingId, FNM->LastError()));
    TNMIPv4 ipv4 = TNMSettings::IPv4Of(profile.Settings);
    int result = wrvSuccess;
    if (inParams.HasProperty(QStringLiteral("DHCPEnabled")))
        result = inParams.Property(QStringLiteral("DHCPEnabled")).toBool() ? ToDHCP(ipv4)
                                                                           : ToStatic(ipv4, inParams);
    if (result == wrvSuccess && inParams.HasProperty(QStringLiteral("DefaultIPGateway")))
        result = ToGateway(ipv4, inParams);
    if (result == wrvSuccess && inParams.HasProperty(QStringLiteral("DNSServerSearchOrder")))
        result = ToDns(ipv4, inParams);
    if (result != wrvSuccess)
        return Result(result);
    if (!FNM->ApplyIPv4(profile, ipv4))
        throw EWmiError(FNM->LastError());
    return Result(result).Add(QStringLiteral("Action"), FNM->LastAction());
}

TNetworkAdapterProvider::TNetworkAdapterProvider(std::shared_ptr<TNMSettings> nm) : FNM(std::move(nm)) {}

QList<TWmiObject> TNetworkAdapterProvider::Instances()
{
    return ObjectsOf(Profiles(*FNM) + ReadKernelAdapters(), AdapterOf);
}

QList<TWmiObject> TNetworkAdapterProvider::InstancesWhere(const QString &property, const QVariant &literal)
{
    if (Is(property, QStringLiteral("GUID")))
        return ObjectsOf(AdaptersWithId(*FNM, literal.toString()), AdapterOf);
    return Instances();
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

QList<TWmiObject> TShareProvider::Instances()
{
    const std::shared_ptr<IUserShares> facility = InstalledUserShares();
    if (!facility)
        throw EWmiError(QStringLiteral("no user share facility is installed"));
    QList<TUserShare> shares;
    if (!facility->List(shares))
        throw EWmiError(facility->LastError());
    QList<TWmiObject> result;
    for (const TUserShare &share : std::as_const(shares))
        result.append(TWmiObject(ClassName())
                          .Add(QStringLiteral("Description"), share.Comment)
                          .Add(QStringLiteral("Name"), share.Name)
                          .Add(QStringLiteral("Path"), share.Path)
                          .Add(QStringLiteral("Type"), 0));
    return result;
}

QList<TWmiObject> TNetworkConnectionProvider::Instances()
{
    const std::shared_ptr<INetworkMounts> mounts = InstalledNetworkMounts();
    if (!mounts)
        throw EWmiError(QStringLiteral("no network mount facility is installed"));
    QList<TDriveConnection> connections;
    QString reason;
    if (!ListDriveConnections(*mounts, TDriveLinks(TConfig::GetConfig()->DrivesFolder()), connections,
                              &reason))
        throw EWmiError(reason);
    QList<TWmiObject> result;
    for (const TDriveConnection &connection : std::as_const(connections))
        result.append(TWmiObject(ClassName())
                          .Add(QStringLiteral("ConnectionState"), QStringLiteral("Connected"))
                          .Add(QStringLiteral("LocalName"), connection.Drive)
                          .Add(QStringLiteral("Persistent"), connection.Persistent)
                          .Add(QStringLiteral("RemoteName"), connection.RemotePath)
                          .Add(QStringLiteral("RemotePath"), connection.RemotePath)
                          .Add(QStringLiteral("ResourceType"), QStringLiteral("Disk")));
    return result;
}
