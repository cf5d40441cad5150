#pragma once

#include <QDBusConnection>
#include <QMap>
#include <QStringList>
#include <QVariantMap>

class QObject;

// A profile's settings as NetworkManager hands them out: setting name -> property -> value.
using TNMSettingsMap = QMap<QString, QVariantMap>;

// A device as NetworkManager describes it.
struct TNMDevice
{
    QString Path;
    QString Interface;                // the kernel interface it manages
    QString IpInterface;              // the interface its addresses are on; empty when it has none
    QString HwAddress;                // "AA:BB:..."
    quint32 Type = 0;                 // NMDeviceType
    quint32 State = 0;                // NMDeviceState
    QString ActiveConnection;         // path of its activation; empty when none
    QString Ip4Config;                // path of its IPv4 configuration; empty when none
    QStringList AvailableConnections; // paths of the profiles it could activate now
    QString Dhcp4Config;              // path of its DHCPv4 lease; empty when none

    // The interface the kernel shows its addresses on.
    QString LinkName() const { return IpInterface.isEmpty() ? Interface : IpInterface; }
};

// One activation of a profile.
struct TNMActive
{
    QString Path;
    QString Uuid;      // the profile's
    quint32 State = 0; // NMActiveConnectionState
    QStringList Devices;
};

// What a device has in use right now, as NetworkManager configured it.
struct TNMIp4Config
{
    QString Gateway;
    QStringList Dns;
    QStringList Addresses; // without prefix
};

// The methods of NetworkManager the program calls, typed, one bus call each. Failures keep
// their reason in LastError. Use from one thread.
class INMBus
{
public:
    virtual ~INMBus() = default;

    // True when NetworkManager answers.
    virtual bool IsRunning() = 0;
    // Object paths of the saved profiles, in NetworkManager's order.
    virtual bool ListConnections(QStringList &paths) = 0;
    // The settings of each profile in paths, in that order; asked all at once. False when any
    // cannot be read: settings then holds an empty map for it.
    virtual bool GetSettings(const QStringList &paths, QList<TNMSettingsMap> &settings) = 0;
    virtual bool GetSecrets(const QString &path, const QString &setting, TNMSettingsMap &secrets) = 0;
    virtual bool GetConnectionByUuid(const QString &uuid, QString &path) = 0;
    virtual bool Update(const QString &path, const TNMSettingsMap &settings) = 0;
    virtual bool GetDevices(QStringList &paths) = 0;
    virtual bool GetDeviceByIpIface(const QString &interfaceName, QString &path) = 0;
    virtual bool ReadDevice(const QString &path, TNMDevice &device) = 0;
    virtual bool ReadActive(const QString &path, TNMActive &active) = 0;
    virtual bool ReadIp4Config(const QString &path, TNMIp4Config &config) = 0;
    // The options of a DHCPv4 lease by name ("dhcp_server_identifier", "domain_name").
    virtual bool ReadDhcp4Options(const QString &path, QVariantMap &options) = 0;
    // The network name and address of the access point a wireless device is associated with;
    // both empty when it is not associated.
    virtual bool ReadAccessPoint(const QString &devicePath, QString &ssid, QString &bssid) = 0;
    // Brings the saved settings of the device's profile to it in place.
    virtual bool Reapply(const QString &devicePath) = 0;
    // devicePath empty: the device NetworkManager chooses.
    virtual bool ActivateConnection(const QString &profilePath, const QString &devicePath,
                                    QString &activePath) = 0;
    virtual bool DeactivateConnection(const QString &activePath) = 0;
    // Calls slot of receiver whenever the device or activation at path changes its state, until
    // UnwatchState.
    virtual void WatchState(const QString &path, QObject *receiver, const char *slot) = 0;
    virtual void UnwatchState(const QString &path, QObject *receiver, const char *slot) = 0;
    // Calls slot of receiver whenever any device changes its state or any of NetworkManager's
    // objects changes a property, until UnwatchNetwork.
    virtual void WatchNetwork(QObject *receiver, const char *slot) = 0;
    virtual void UnwatchNetwork(QObject *receiver, const char *slot) = 0;

    virtual QString LastError() const = 0;
    // The D-Bus error name of the last failure ("org.freedesktop.NetworkManager.PermissionDenied"
    // and the like); empty when there is none or it is not known.
    virtual QString LastErrorName() const { return {}; }
};

// NetworkManager on a D-Bus connection. With a Qt application the event loop runs while a call
// waits for its answer.
class TNMDBus : public INMBus
{
public:
    explicit TNMDBus(const QDBusConnection &bus);

    static QString Service();

    bool IsRunning() override;
    bool ListConnections(QStringList &paths) override;
    bool GetSettings(const QStringList &paths, QList<TNMSettingsMap> &settings) override;
    bool GetSecrets(const QString &path, const QString &setting, TNMSettingsMap &secrets) override;
    bool GetConnectionByUuid(const QString &uuid, QString &path) override;
    bool Update(const QString &path, const TNMSettingsMap &settings) override;
    bool GetDevices(QStringList &paths) override;
    bool GetDeviceByIpIface(const QString &interfaceName, QString &path) override;
    bool ReadDevice(const QString &path, TNMDevice &device) override;
    bool ReadActive(const QString &path, TNMActive &active) override;
    bool ReadIp4Config(const QString &path, TNMIp4Config &config) override;
    bool ReadDhcp4Options(const QString &path, QVariantMap &options) override;
    bool ReadAccessPoint(const QString &devicePath, QString &ssid, QString &bssid) override;
    bool Reapply(const QString &devicePath) override;
    bool ActivateConnection(const QString &profilePath, const QString &devicePath,
                            QString &activePath) override;
    bool DeactivateConnection(const QString &activePath) override;
    void WatchState(const QString &path, QObject *receiver, const char *slot) override;
    void UnwatchState(const QString &path, QObject *receiver, const char *slot) override;
    void WatchNetwork(QObject *receiver, const char *slot) override;
    void UnwatchNetwork(QObject *receiver, const char *slot) override;
    QString LastError() const override { return FLastError; }
    QString LastErrorName() const override { return FLastErrorName; }

private:
    QVariantList Call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &args = {});
    QVariantMap GetAll(const QString &path, const QString &interface);

    QDBusConnection FBus;
    QString FLastError;
    QString FLastErrorName;
};
