#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A program started as the leader of a session of its own, so that everything it starts
// (smbd's workers, the bus's activated services) can be found and stopped by id.
class TSessionProgram
{
public:
    bool Start(const QString &Program, const QStringList &Args);
    QProcess &Process() { return FProcess; }
    // The leader first, so that it can stop its own; then whatever is left of its session.
    void Stop();

private:
    QProcess FProcess;
};

// smbd with a configuration of its own in Folder, listening on the given addresses (which must
// exist), serving the user shares of its usershare folder to guests and to the Samba user root (with
// Password), its authentication attempts in its log; and a session bus on which GVFS runs as
// in a desktop session, with the HOME and XDG_RUNTIME_DIR the process has when Start runs (a
// TTestRoot's). Start points SMB_CONF_PATH at the configuration, so net and smbclient use it,
// and DBUS_SESSION_BUS_ADDRESS at the bus; it makes this process a subreaper, so that what the
// two leave behind comes back to be reaped. Needs root and a namespace of the test's (the lab).
class TSambaLab
{
public:
    static const QString Password;

    // Folder: an empty folder of the test's; it and its parents are opened to guests.
    explicit TSambaLab(const QString &Folder, const QStringList &Addresses = {QStringLiteral("127.0.0.1")});
    ~TSambaLab() { Stop(); }
    TSambaLab(const TSambaLab &) = delete;
    TSambaLab &operator=(const TSambaLab &) = delete;

    // False with the reason in Error.
    bool Start();
    void Stop();
    const QString &Error() const { return FError; }

    QString Conf() const { return Path("smb.conf"); }
    QString Path(const QString &Relative) const;
    // A folder below Folder holding the given files (name, text), readable by guests.
    QString MakeFolder(const QString &Name, const QList<QPair<QString, QByteArray>> &Files = {}) const;
    // How often smbd's log has said Text so far.
    int LogCount(const QString &Text) const;

private:
    bool Fail(const QString &Reason);
    bool StartServer();
    bool StartSession();

    QString FFolder;
    QStringList FAddresses;
    TSessionProgram FServer;
    TSessionProgram FBus;
    bool FStarted = false;
    QString FError;
};

// Runs a program with input on its standard input; its exit code, -1 when it did not end
// normally within 20 s.
int RunWithInput(const QString &Program, const QStringList &Args, const QByteArray &Input = {});
