#pragma once

#include "adapters/WMI.h"

#include <memory>

class TNMSettings;

// The classes the program queries, answered from the Linux facilities; installed with the
// system backends (adapters/SystemBackends.h).

// Win32_NetworkAdapterConfiguration: one instance per NetworkManager profile active on its
// device, with the device's live values, then one per kernel interface, then the other
// profiles with their saved settings. A query by SettingID or InterfaceIndex reads only the
// adapter it asks for. Its methods check a change (ReturnValue) without making it; the method
// TNetworkAdapterConfiguration::ApplyChangesMethod makes the changes it is given as one save
// of the profile's IPv4 settings, brought to the link.
class TAdapterConfigurationProvider : public IWmiProvider
{
public:
    explicit TAdapterConfigurationProvider(std::shared_ptr<TNMSettings> nm);

    QString ClassName() const override { return QStringLiteral("Win32_NetworkAdapterConfiguration"); }
    QList<TWmiObject> Instances() override;
    QList<TWmiObject> InstancesWhere(const QString &property, const QVariant &literal) override;
    TWmiObject ExecMethod(const TWmiObject &instance, const QString &method,
                          const TWmiObject &inParams) override;

private:
    TWmiObject ApplyChanges(const QString &settingId, const TWmiObject &inParams);

    std::shared_ptr<TNMSettings> FNM;
};

// Win32_NetworkAdapter: one instance per NetworkManager profile, then per kernel interface. A
// query by GUID reads only the adapter it asks for.
class TNetworkAdapterProvider : public IWmiProvider
{
public:
    explicit TNetworkAdapterProvider(std::shared_ptr<TNMSettings> nm);

    QString ClassName() const override { return QStringLiteral("Win32_NetworkAdapter"); }
    QList<TWmiObject> Instances() override;
    QList<TWmiObject> InstancesWhere(const QString &property, const QVariant &literal) override;

private:
    std::shared_ptr<TNMSettings> FNM;
};

// Win32_Printer: the CUPS queues, Default marking the user's default destination.
class TPrinterProvider : public IWmiProvider
{
public:
    QString ClassName() const override { return QStringLiteral("Win32_Printer"); }
    QList<TWmiObject> Instances() override;
};

// Win32_Share: the user shares of the installed share facility, all of them disk shares
// (Type 0), with their Name, Path and Description.
class TShareProvider : public IWmiProvider
{
public:
    QString ClassName() const override { return QStringLiteral("Win32_Share"); }
    QList<TWmiObject> Instances() override;
};

// Win32_NetworkConnection: the smb mounts of the installed mount facility as disk
// connections, one per drive link of the configured drives folder that points into one
// (a mount without a link under the first free letter from Z: downwards), with LocalName,
// RemoteName and RemotePath (UNC), Persistent (restored at logon) and ResourceType "Disk".
class TNetworkConnectionProvider : public IWmiProvider
{
public:
    QString ClassName() const override { return QStringLiteral("Win32_NetworkConnection"); }
    QList<TWmiObject> Instances() override;
};
