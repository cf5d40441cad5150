#pragma once

#include "platform/registry/RegistryProvider.h"

#include <memory>

class TNMSettings;

// HKEY_LOCAL_MACHINE key of the network adapter device class: one numbered driver key per
// adapter.
QString AdapterClassKeyPath();
// HKEY_LOCAL_MACHINE key holding one TCP/IP interface key per adapter, named by adapter id.
QString TcpipInterfacesKeyPath();

// The driver keys over NetworkManager: one per wired or wireless profile in NetworkManager's
// order, numbered by the profile's object path ("0007" for .../Settings/7), so a key is found
// without listing the others. It holds NetCfgInstanceId (the adapter id) and NetworkAddress
// (the profile's own MAC address, twelve upper-case hexadecimal digits; absent when it sets
// none). Writing NetworkAddress gives the profile that address, deleting it takes it away; the
// device gets it when the profile is next activated.
class TAdapterClassKeyProvider : public IRegistryProvider
{
public:
    explicit TAdapterClassKeyProvider(std::shared_ptr<TNMSettings> nm);

    bool KeyExists(const QString &path) override;
    QStringList KeyNames(const QString &path) override;
    QStringList ValueNames(const QString &path) override;
    std::optional<TRegValue> ReadValue(const QString &path, const QString &name) override;
    void WriteValue(const QString &path, const QString &name, const TRegValue &value) override;
    void DeleteValue(const QString &path, const QString &name) override;

private:
    void SetNetworkAddress(const QString &path, const QString &mac);

    std::shared_ptr<TNMSettings> FNM;
};

// The TCP/IP interface keys over NetworkManager, read-only: one key per profile, named by its
// adapter id, with EnableDHCP (REG_DWORD), IPAddress, SubnetMask, DefaultGateway
// (REG_MULTI_SZ) and NameServer (REG_SZ, comma separated) from its saved IPv4 settings. A key
// is read by its UUID alone, without listing the others.
class TTcpipInterfacesProvider : public IRegistryProvider
{
public:
    explicit TTcpipInterfacesProvider(std::shared_ptr<TNMSettings> nm);

    bool KeyExists(const QString &path) override;
    QStringList KeyNames(const QString &path) override;
    QStringList ValueNames(const QString &path) override;
    std::optional<TRegValue> ReadValue(const QString &path, const QString &name) override;
    void WriteValue(const QString &path, const QString &name, const TRegValue &value) override;
    void DeleteValue(const QString &path, const QString &name) override;

private:
    std::shared_ptr<TNMSettings> FNM;
};

// Serves both keys from nm, until UnmountAdapterKeys.
void MountAdapterKeys(const std::shared_ptr<TNMSettings> &nm);
void UnmountAdapterKeys();

// Why text is no MAC address an adapter can take (twelve hexadecimal digits, not multicast,
// not all zeros); empty when it is one.
QString NetworkAddressError(const QString &text);
