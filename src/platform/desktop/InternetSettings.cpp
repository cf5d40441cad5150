#include "platform/desktop/InternetSettings.h"

#include "base/Exceptions.h"
#include "platform/registry/Registry.h"

#include <QMutex>

namespace {

const QString EnableValue = QStringLiteral("ProxyEnable");
const QString ServerValue = QStringLiteral("ProxyServer");
const QString OverrideValue = QStringLiteral("ProxyOverride");

bool Is(const QString &name, const QString &expected)
{
    return name.compare(expected, Qt::CaseInsensitive) == 0;
}

QMutex GInstalledLock;
std::shared_ptr<IDesktopProxy> GInstalled;

} // namespace

QString InternetSettingsKeyPath()
{
    return QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
}

TInternetSettingsProvider::TInternetSettingsProvider(std::shared_ptr<IDesktopProxy> proxy)
    : FProxy(std::move(proxy))
{}

bool TInternetSettingsProvider::KeyExists(const QString &path)
{
    return path.isEmpty() && Current().has_value();
}

QStringList TInternetSettingsProvider::KeyNames(const QString &) { return {}; }

QStringList TInternetSettingsProvider::ValueNames(const QString &path)
{
    if (!KeyExists(path))
        return {};
    return {EnableValue, ServerValue, OverrideValue};
}

std::optional<TRegValue> TInternetSettingsProvider::ReadValue(const QString &path, const QString &name)
{
    const std::optional<TDesktopProxySettings> settings = path.isEmpty() ? Current() : std::nullopt;
    if (!settings)
        return std::nullopt;
    if (Is(name, EnableValue))
        return TRegValue::FromDword(settings->Enabled ? 1 : 0);
    if (Is(name, ServerValue))
        return TRegValue::FromString(REG_SZ, settings->Server);
    if (Is(name, OverrideValue))
        return TRegValue::FromString(REG_SZ, settings->Bypass);
    return std::nullopt;
}

void TInternetSettingsProvider::WriteValue(const QString &path, const QString &name, const TRegValue &value)
{
    std::optional<TDesktopProxySettings> settings = path.isEmpty() ? Current() : std::nullopt;
    if (!settings)
        throw ERegistryException(
            QStringLiteral("the desktop proxy cannot be read: %1").arg(FProxy->LastError()));
    if (Is(name, EnableValue) && value.Type == REG_DWORD)
        settings->Enabled = value.AsDword() != 0;
    else if (Is(name, ServerValue) && value.Type == REG_SZ)
        settings->Server = value.AsString();
    else if (Is(name, OverrideValue) && value.Type == REG_SZ)
        settings->Bypass = value.AsString();
    else
        throw ERegistryException(QStringLiteral("the desktop proxy has no place for the value %1").arg(name));
    Store(*settings);
}

void TInternetSettingsProvider::DeleteValue(const QString &, const QString &name)
{
    throw ERegistryException(QStringLiteral("the desktop proxy value %1 cannot be deleted").arg(name));
}

std::optional<TDesktopProxySettings> TInternetSettingsProvider::Current()
{
    TDesktopProxySettings settings;
    if (!FProxy->Read(settings))
        return std::nullopt;
    return settings;
}

void TInternetSettingsProvider::Store(const TDesktopProxySettings &settings)
{
    if (!FProxy->Write(settings))
        throw ERegistryException(FProxy->LastError());
}

void InstallDesktopProxy(std::shared_ptr<IDesktopProxy> proxy)
{
    if (proxy)
        TRegistry::Mount(HKEY_CURRENT_USER, InternetSettingsKeyPath(),
                         std::make_shared<TInternetSettingsProvider>(proxy));
    else
        TRegistry::Unmount(HKEY_CURRENT_USER, InternetSettingsKeyPath());
    QMutexLocker locker(&GInstalledLock);
    GInstalled = std::move(proxy);
}

std::shared_ptr<IDesktopProxy> InstalledDesktopProxy()
{
    QMutexLocker locker(&GInstalledLock);
    return GInstalled;
}
