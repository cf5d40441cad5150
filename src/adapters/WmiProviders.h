#pragma once

#include "adapters/WMI.h"

#include <QDBusConnection>
#include <vector>

// The classes the program queries, answered from the Linux facilities. A new class is added
// to BuiltInWmiProviders.
std::vector<std::shared_ptr<IWmiProvider>> BuiltInWmiProviders();

// Win32_NetworkAdapterConfiguration: one instance per NetworkManager profile (those active on
// their device first, with the device's live values; the others with their saved settings),
// then one per kernel interface. Its methods change the profile's IPv4 settings and bring
// them to the link.
class TAdapterConfigurationProvider : public IWmiProvider
{
public:
    explicit TAdapterConfigurationProvider(const QDBusConnection &bus);

    QString ClassName() const override { return QStringLiteral("Win32_NetworkAdapterConfiguration"); }
    QList<TWmiObject> Instances() override;
    TWmiObject ExecMethod(const TWmiObject &instance, const QString &method,
                          const TWmiObject &inParams) override;

private:
    QDBusConnection FBus;
};

// Win32_NetworkAdapter: one instance per NetworkManager profile, then per kernel interface.
class TNetworkAdapterProvider : public IWmiProvider
{
public:
    explicit TNetworkAdapterProvider(const QDBusConnection &bus);

    QString ClassName() const override { return QStringLiteral("Win32_NetworkAdapter"); }
    QList<TWmiObject> Instances() override;

private:
    QDBusConnection FBus;
};

// Win32_Printer: the CUPS queues, Default marking the user's default destination.
class TPrinterProvider : public IWmiProvider
{
public:
    QString ClassName() const override { return QStringLiteral("Win32_Printer"); }
    QList<TWmiObject> Instances() override;
};
