#pragma once

#include <QList>
#include <QString>
#include <memory>

// A remote folder mounted for this user.
struct TNetworkMount
{
    QString Uri;       // "smb://server/share/"
    QString LocalPath; // where its files appear locally; empty when the system offers no path
    QString Name;      // the name a file manager shows
};

// Who to mount as. No user: a guest (anonymous) connection where the server allows one.
struct TMountCredentials
{
    QString User;
    QString Domain;
    QString Password;
};

// Network folders mounted for the user, without root. Failures keep their reason in LastError.
class INetworkMounts
{
public:
    virtual ~INetworkMounts() = default;

    // A location that is mounted already counts as done. Done means its files can be read.
    virtual bool Mount(const QString &uri, const TMountCredentials &credentials) = 0;
    virtual bool List(QList<TNetworkMount> &mounts) = 0;
    // force: unmount even while files are open.
    virtual bool Unmount(const QString &uri, bool force) = 0;
    virtual QString LastError() const = 0;
};

// GVFS mounts through GIO, on the session bus of the process's environment. Every call waits
// on a GLib main context of its own, so it needs no running event loop, and gives up after
// the timeout.
class TGioNetworkMounts : public INetworkMounts
{
public:
    explicit TGioNetworkMounts(int timeoutMs = 30000);

    bool Mount(const QString &uri, const TMountCredentials &credentials) override;
    // Mounts of remote locations only; local disks are not listed.
    bool List(QList<TNetworkMount> &mounts) override;
    bool Unmount(const QString &uri, bool force) override;
    QString LastError() const override { return FLastError; }

private:
    // Waits until the local folder of a mount answers; true at once without a folder.
    bool WaitForFolder(const QString &uri, const QString &folder);
    bool Fail(const QString &reason);

    int FTimeoutMs;
    QString FLastError;
};

// The network mounts the program's drives go to; null takes them away. Process-wide.
void InstallNetworkMounts(std::shared_ptr<INetworkMounts> mounts);
// Null when none is installed.
std::shared_ptr<INetworkMounts> InstalledNetworkMounts();

// A remote folder in UNC form, \\server\share\path, as the smb URL GVFS mounts:
// smb://server/share/path, each part percent-encoded. A trailing backslash is dropped. Empty
// when unc is not a server and a share after two backslashes, or a part is empty or holds a
// character a URL cannot carry there.
QString SmbUrlFromUnc(const QString &unc);
// The share an smb URL lies in, smb://server/share; empty when url is no smb URL with a share.
QString SmbShareUrl(const QString &url);
// The other way: smb://server/share/path/ as \\server\share\path; empty for no smb URL.
QString UncFromSmbUrl(const QString &url);
// A folder inside the local folder of a GVFS smb mount, .../gvfs/smb-share:server=H,share=S/path,
// as the remote folder \\H\S\path; empty for any other path.
QString UncFromGvfsPath(const QString &path);
