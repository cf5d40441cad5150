#pragma once

#include "platform/desktop/DesktopProxy.h"
#include "platform/registry/RegistryProvider.h"

#include <memory>

// HKEY_CURRENT_USER key where WinINet keeps the LAN proxy setting.
QString InternetSettingsKeyPath();

// The Internet Settings key over a desktop proxy store, read and written live: ProxyEnable
// (REG_DWORD 1 or 0), ProxyServer and ProxyOverride (REG_SZ, WinINet form). The key exists
// while the store can be read. Other values and subkeys are not kept.
class TInternetSettingsProvider : public IRegistryProvider
{
public:
    explicit TInternetSettingsProvider(std::shared_ptr<IDesktopProxy> proxy);

    bool KeyExists(const QString &path) override;
    QStringList KeyNames(const QString &path) override;
    QStringList ValueNames(const QString &path) override;
    std::optional<TRegValue> ReadValue(const QString &path, const QString &name) override;
    void WriteValue(const QString &path, const QString &name, const TRegValue &value) override;
    void DeleteValue(const QString &path, const QString &name) override;

private:
    std::optional<TDesktopProxySettings> Current();
    void Store(const TDesktopProxySettings &settings);

    std::shared_ptr<IDesktopProxy> FProxy;
};

// The desktop proxy the program's modules set, with the Internet Settings key served from it;
// null takes both away again. Process-wide.
void InstallDesktopProxy(std::shared_ptr<IDesktopProxy> proxy);
// Null when none is installed.
std::shared_ptr<IDesktopProxy> InstalledDesktopProxy();
