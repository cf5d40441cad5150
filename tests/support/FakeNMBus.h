#pragma once

#include "platform/networkmanager/NMSettings.h"

#include <QPointer>

// NetworkManager as a test lays it out: profiles, devices and activations in memory, every
// call logged by its method name. An activation finishes at once unless the test holds it;
// state changes reach the watchers the way NetworkManager's signals do, through the event loop.
class TFakeNMBus : public INMBus
{
public:
    // Adds a profile bound to interfaceName (none when empty); returns its object path.
    QString AddProfile(const QString &uuid, const QString &name,
                       const TNMIPv4 &ipv4 = {"auto", {}, {}, {}, {}, false},
                       const QString &interfaceName = QStringLiteral("eth0"),
                       const QString &type = QStringLiteral("802-3-ethernet"));
    // Adds count DHCP profiles bound to an interface no device has.
    void AddElsewhereProfiles(int count);
    void RemoveProfile(const QString &path);
    QString AddDevice(const QString &interfaceName, quint32 state = 30);
    // Activates the profile on the device in the given NMActiveConnectionState; returns the path.
    QString Activate(const QString &profilePath, const QString &devicePath, quint32 state = 2);
    // Moves an activation to state (4, deactivated, removes it) and tells the watchers. The path
    // is taken by value: it may be a device field this clears.
    void SetActiveState(QString activePath, quint32 state);
    TNMIPv4 IPv4At(const QString &profilePath) const
    {
        return TNMSettings::IPv4Of(Profiles.value(profilePath));
    }

    int Count(const QString &method) const { return static_cast<int>(Log.count(method)); }

    bool Running = true;
    bool HoldActivations = false; // new activations stay activating until SetActiveState
    bool RefuseReapply = false;
    bool DenyChanges = false; // updates and (de)activations refused as polkit refuses them
    QStringList Log;
    QMap<QString, TNMSettingsMap> Profiles;
    QStringList ProfileOrder;
    QMap<QString, TNMDevice> Devices;
    QStringList DeviceOrder;
    QMap<QString, TNMActive> Actives;
    QMap<QString, TNMIp4Config> Ip4Configs;  // by configuration path
    QMap<QString, QVariantMap> Dhcp4Options; // by lease path

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
    // Every device is wired: never associated.
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
    struct TWatch
    {
        QString Path;
        QPointer<QObject> Receiver;
        QByteArray Method;
    };

    bool Called(const QString &method, bool ok, const QString &error = QString());
    bool Denied(const QString &method, const QString &errorName);
    void Notify(const QString &path);

    int FNextNumber = 1;
    QList<TWatch> FWatches;
    QString FLastError;
    QString FLastErrorName;
};
