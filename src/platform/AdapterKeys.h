#pragma once

#include "platform/RegistryProvider.h"

#include <QDBusConnection>

// HKEY_LOCAL_MACHINE key of the network adapter device class: one numbered driver key per
// adapter.
QString AdapterClassKeyPath();
// HKEY_LOCAL_MACHINE key holding one TCP/IP interface key per adapter, named by adapter id.
QString TcpipInterfacesKeyPath();

// The driver keys over NetworkManager: "0000", "0001", ... one per wired or wireless profile
// in NetworkManager's order, with NetCfgInstanceId (the adapter id) and NetworkAddress (the
// profile's own MAC address, twelve upper-case hexadecimal digits; absent when it sets none).
// Writing NetworkAddress gives the profile that address, deleting it takes it away; the device
// gets it when the profile is next activated.
class TAdapterClassKeyProvider : public IRegistryProvider
{
public:
    explicit TAdapterClassKeyProvider(const QDBusConnection &bus);

    bool KeyExists(const QString &path) override;
    QStringList KeyNames(const QString &path) override;
    QStringList ValueNames(const QString &path) override;
    std::optional<TRegValue> ReadValue(const QString &path, const QString &name) override;
    void WriteValue(const QString &path, const QString &name, const TRegValue &value) override;
    void DeleteValue(const QString &path, const QString &name) override;

private:
    // The profile UUID a driver key stands for; empty when there is no such key.
    QString ProfileOf(const QString &path);
    void SetNetworkAddress(const QString &path, const QString &mac);

    QDBusConnection FBus;
};

// The TCP/IP interface keys over NetworkManager, read-only: one key per profile, named by its
// adapter id, with EnableDHCP (REG_DWORD), IPAddress, SubnetMask, DefaultGateway
// (REG_MULTI_SZ) and NameServer (REG_SZ, comma separated) from its saved IPv4 settings.
class TTcpipInterfacesProvider : public IRegistryProvider
{
public:
    explicit TTcpipInterfacesProvider(const QDBusConnection &bus);

    bool KeyExists(const QString &path) override;
    QStringList KeyNames(const QString &path) override;
    QStringList ValueNames(const QString &path) override;
    std::optional<TRegValue> ReadValue(const QString &path, const QString &name) override;
    void WriteValue(const QString &path, const QString &name, const TRegValue &value) override;
    void DeleteValue(const QString &path, const QString &name) override;

private:
    QString ProfileOf(const QString &path);

    QDBusConnection FBus;
};

// Serves both keys from NetworkManager on bus, until UnmountAdapterKeys.
void MountAdapterKeys(const QDBusConnection &bus);
void UnmountAdapterKeys();

// Why text is no MAC address an adapter can take (twelve hexadecimal digits, not multicast,
// not all zeros); empty when it is one.
QString NetworkAddressError(const QString &text);
