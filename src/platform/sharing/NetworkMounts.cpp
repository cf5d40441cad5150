#include "platform/sharing/NetworkMounts.h"

#include "platform/desktop/GioSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QMutex>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>

namespace {

QMutex GInstalledLock;
std::shared_ptr<INetworkMounts> GInstalled;

const QString SmbScheme = QStringLiteral("smb");

// The parts of an smb URL's path: share, then folders; empty parts dropped.
QStringList SmbPathParts(const QUrl &url)
{
    return url.path(QUrl::FullyDecoded).split('/', Qt::SkipEmptyParts);
}

bool IsSmbUrl(const QUrl &url)
{
    return url.isValid() && url.scheme() == SmbScheme && !url.host().isEmpty() &&
           !SmbPathParts(url).isEmpty();
}

// A private GLib main context, the thread's default while the object lives: GIO reports the
// calls started meanwhile there, and Wait runs it, not whatever loop the thread has.
class TGioWait
{
public:
    TGioWait() : FContext(g_main_context_new()), FCancellable(g_cancellable_new())
    {
        g_main_context_push_thread_default(FContext);
    }
    ~TGioWait()
    {
        g_main_context_pop_thread_default(FContext);
        if (FResult)
            g_object_unref(FResult);
        g_object_unref(FCancellable);
        g_main_context_unref(FContext);
    }
    TGioWait(const TGioWait &) = delete;
    TGioWait &operator=(const TGioWait &) = delete;

    GCancellable *Cancellable() const { return FCancellable; }
    static void Finished(GObject *, GAsyncResult *result, gpointer self)
    {
        static_cast<TGioWait *>(self)->FResult = G_ASYNC_RESULT(g_object_ref(result));
    }

    // The result of the call started with Finished and this object; null when it neither
    // finished in time nor answered the cancel that followed. A call that ignores the cancel
    // can never call back, as its context is not run again.
    GAsyncResult *Wait(int timeoutMs)
    {
        RunUntilFinished(timeoutMs);
        if (!FResult) {
            FTimedOut = true;
            g_cancellable_cancel(FCancellable);
            RunUntilFinished(CancelGraceMs);
        }
        return FResult;
    }
    bool TimedOut() const { return FTimedOut; }

private:
    static constexpr int CancelGraceMs = 2000;

    void RunUntilFinished(int timeoutMs)
    {
        const gint64 deadline = g_get_monotonic_time() + gint64(timeoutMs) * 1000;
        while (!FResult && g_get_monotonic_time() < deadline) {
            GSource *timer = g_timeout_source_new(guint((deadline - g_get_monotonic_time()) / 1000 + 1));
            g_source_set_callback(
                timer, [](gpointer) { return G_SOURCE_REMOVE; }, nullptr, nullptr);
            g_source_attach(timer, FContext);
            g_main_context_iteration(FContext, TRUE);
            g_source_destroy(timer);
            g_source_unref(timer);
        }
    }

    GMainContext *FContext;
    GCancellable *FCancellable;
    GAsyncResult *FResult = nullptr;
    bool FTimedOut = false;
};

// Answers the server's questions for the credentials once; a second question means it refused
// them, and is answered with an abort so the mount ends instead of asking forever.
class TPasswordAnswer
{
public:
    TPasswordAnswer(GMountOperation *operation, const TMountCredentials &credentials)
        : FOperation(operation), FCredentials(credentials)
    {
        FHandler = g_signal_connect(operation, "ask-password", G_CALLBACK(&TPasswordAnswer::Ask), this);
    }
    ~TPasswordAnswer() { g_signal_handler_disconnect(FOperation, FHandler); }
    TPasswordAnswer(const TPasswordAnswer &) = delete;
    TPasswordAnswer &operator=(const TPasswordAnswer &) = delete;

    bool Refused() const { return FAsked > 1; }

private:
    static void Ask(GMountOperation *operation, gchar *, gchar *defaultUser, gchar *, GAskPasswordFlags flags,
                    gpointer self)
    {
        static_cast<TPasswordAnswer *>(self)->Answer(operation, defaultUser, flags);
    }

    void Answer(GMountOperation *operation, const gchar *defaultUser, GAskPasswordFlags flags)
    {
        if (++FAsked > 1) {
            g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
            return;
        }
        if (FCredentials.User.isEmpty() && (flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED)) {
            g_mount_operation_set_anonymous(operation, TRUE);
        } else {
            const QString user =
                FCredentials.User.isEmpty() ? QString::fromUtf8(defaultUser) : FCredentials.User;
            g_mount_operation_set_username(operation, user.toUtf8().constData());
            g_mount_operation_set_domain(operation, FCredentials.Domain.toUtf8().constData());
            g_mount_operation_set_password(operation, FCredentials.Password.toUtf8().constData());
        }
        g_mount_operation_set_password_save(operation, G_PASSWORD_SAVE_NEVER);
        g_mount_operation_reply(operation, G_MOUNT_OPERATION_HANDLED);
    }

    GMountOperation *FOperation;
    TMountCredentials FCredentials;
    gulong FHandler = 0;
    int FAsked = 0;
};

// Whether the folder can be listed; Reason says why not.
bool FolderAnswers(const QString &folder, QString *reason)
{
    DIR *listing = ::opendir(QFile::encodeName(folder).constData());
    if (!listing) {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    errno = 0;
    const bool answers = ::readdir(listing) || errno == 0;
    if (!answers)
        *reason = QString::fromLocal8Bit(std::strerror(errno));
    ::closedir(listing);
    return answers;
}

// GVFS's smb backend passes the system's words on in a general failure, so both count.
bool Unreachable(const GError *error)
{
    static const int codes[] = {G_IO_ERROR_CONNECTION_REFUSED, G_IO_ERROR_HOST_UNREACHABLE,
                                G_IO_ERROR_NETWORK_UNREACHABLE, G_IO_ERROR_TIMED_OUT,
                                G_IO_ERROR_HOST_NOT_FOUND};
    static const char *const words[] = {"Connection refused", "No route to host", "Network is unreachable",
                                        "Connection timed out", "Host is down"};
    if (!error)
        return false;
    for (const int code : codes) {
        if (g_error_matches(error, G_IO_ERROR, code))
            return true;
    }
    const QString message = QString::fromUtf8(error->message);
    return std::any_of(std::begin(words), std::end(words),
                       [&](const char *word) { return message.contains(QLatin1String(word)); });
}

bool SchemeServed(const QString &uri)
{
    const QByteArray scheme = QUrl(uri).scheme().toUtf8();
    const gchar *const *schemes = g_vfs_get_supported_uri_schemes(g_vfs_get_default());
    for (; schemes && *schemes; ++schemes) {
        if (scheme == *schemes)
            return true;
    }
    return false;
}

TNetworkMount MountOf(GMount *mount)
{
    const TGObject<GFile> root(g_mount_get_root(mount));
    return {TakeGString(g_file_get_uri(root.get())), TakeGString(g_file_get_path(root.get())),
            TakeGString(g_mount_get_name(mount))};
}

bool IsRemote(GMount *mount)
{
    const TGObject<GFile> root(g_mount_get_root(mount));
    return !g_file_has_uri_scheme(root.get(), "file");
}

} // namespace

TGioNetworkMounts::TGioNetworkMounts(int timeoutMs) : FTimeoutMs(timeoutMs) {}

bool TGioNetworkMounts::Mount(const QString &uri, const TMountCredentials &credentials)
{
    if (!SchemeServed(uri))
        return Fail(QStringLiteral("Cannot mount %1: GVFS does not serve this kind of location here "
                                   "(it needs a session bus and the GVFS backends)")
                        .arg(uri));
    TGioWait wait;
    const TGObject<GFile> location(g_file_new_for_uri(uri.toUtf8().constData()));
    const TGObject<GMountOperation> operation(g_mount_operation_new());
    const TPasswordAnswer answer(operation.get(), credentials);
    g_file_mount_enclosing_volume(location.get(), G_MOUNT_MOUNT_NONE, operation.get(), wait.Cancellable(),
                                  &TGioWait::Finished, &wait);
    GAsyncResult *result = wait.Wait(FTimeoutMs);
    if (wait.TimedOut())
        return Fail(
            QStringLiteral("Mounting %1 did not finish within %2 s").arg(uri).arg(FTimeoutMs / 1000.0));
    GError *error = nullptr;
    if (g_file_mount_enclosing_volume_finish(location.get(), result, &error))
        return WaitForFolder(uri, TakeGString(g_file_get_path(location.get())));
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED)) {
        g_error_free(error);
        return WaitForFolder(uri, TakeGString(g_file_get_path(location.get())));
    }
    const bool unreachable = Unreachable(error);
    const QString message = TakeGError(error);
    if (answer.Refused())
        return Fail(QStringLiteral("Cannot mount %1: the server refused the user name or password").arg(uri));
    if (unreachable)
        return Fail(QStringLiteral("Cannot mount %1: the server cannot be reached (%2)").arg(uri, message));
    return Fail(QStringLiteral("Cannot mount %1: %2").arg(uri, message));
}

// GVFS's FUSE folder of a share mounted again answers with I/O errors for about a second, until
// it has dropped what it knew of the mount before; every read that fails hurries that along.
bool TGioNetworkMounts::WaitForFolder(const QString &uri, const QString &folder)
{
    QElapsedTimer timer;
    timer.start();
    QString reason;
    while (!folder.isEmpty() && !FolderAnswers(folder, &reason)) {
        if (timer.hasExpired(FTimeoutMs))
            return Fail(
                QStringLiteral("Mounted %1, but its folder %2 does not answer: %3").arg(uri, folder, reason));
        QThread::msleep(50);
    }
    return true;
}

bool TGioNetworkMounts::List(QList<TNetworkMount> &mounts)
{
    // The monitor's own bus traffic goes to this call's context, not to the thread's loop.
    const TGioWait scope;
    const TGObject<GVolumeMonitor> monitor(g_volume_monitor_get());
    GList *all = g_volume_monitor_get_mounts(monitor.get());
    mounts.clear();
    for (GList *item = all; item; item = item->next) {
        GMount *mount = G_MOUNT(item->data);
        if (IsRemote(mount))
            mounts.append(MountOf(mount));
    }
    g_list_free_full(all, g_object_unref);
    return true;
}

bool TGioNetworkMounts::Unmount(const QString &uri, bool force)
{
    TGioWait wait;
    const TGObject<GFile> location(g_file_new_for_uri(uri.toUtf8().constData()));
    GError *error = nullptr;
    const TGObject<GMount> mount(g_file_find_enclosing_mount(location.get(), wait.Cancellable(), &error));
    if (!mount)
        return Fail(QStringLiteral("Cannot unmount %1: %2").arg(uri, TakeGError(error)));
    g_mount_unmount_with_operation(mount.get(), force ? G_MOUNT_UNMOUNT_FORCE : G_MOUNT_UNMOUNT_NONE, nullptr,
                                   wait.Cancellable(), &TGioWait::Finished, &wait);
    GAsyncResult *result = wait.Wait(FTimeoutMs);
    if (wait.TimedOut())
        return Fail(
            QStringLiteral("Unmounting %1 did not finish within %2 s").arg(uri).arg(FTimeoutMs / 1000.0));
    if (!g_mount_unmount_with_operation_finish(mount.get(), result, &error))
        return Fail(QStringLiteral("Cannot unmount %1: %2").arg(uri, TakeGError(error)));
    return true;
}

bool TGioNetworkMounts::Fail(const QString &reason)
{
    FLastError = reason;
    return false;
}

void InstallNetworkMounts(std::shared_ptr<INetworkMounts> mounts)
{
    QMutexLocker locker(&GInstalledLock);
    GInstalled = std::move(mounts);
}

std::shared_ptr<INetworkMounts> InstalledNetworkMounts()
{
    QMutexLocker locker(&GInstalledLock);
    return GInstalled;
}

QString SmbUrlFromUnc(const QString &unc)
{
    static const QRegularExpression notInServer(QStringLiteral("[\\s/:@?#\\[\\]%]"));
    if (!unc.startsWith(QLatin1String("\\\\")))
        return {};
    QStringList parts = unc.mid(2).split('\\');
    if (parts.size() > 2 && parts.constLast().isEmpty())
        parts.removeLast();
    if (parts.size() < 2 || parts.contains(QString()) || parts.constFirst().contains(notInServer))
        return {};
    for (const QString &part : std::as_const(parts)) {
        if (part.contains('/'))
            return {};
    }
    QUrl url;
    url.setScheme(SmbScheme);
    url.setHost(parts.takeFirst());
    url.setPath('/' + parts.join('/'), QUrl::DecodedMode);
    return url.isValid() && !url.host().isEmpty() ? url.toString(QUrl::FullyEncoded) : QString();
}

QString SmbShareUrl(const QString &url)
{
    QUrl parsed(url);
    if (!IsSmbUrl(parsed))
        return {};
    parsed.setPath('/' + SmbPathParts(parsed).constFirst(), QUrl::DecodedMode);
    return parsed.toString(QUrl::FullyEncoded);
}

QString UncFromSmbUrl(const QString &url)
{
    const QUrl parsed(url);
    if (!IsSmbUrl(parsed))
        return {};
    return QStringLiteral("\\\\") + parsed.host() + '\\' + SmbPathParts(parsed).join('\\');
}

// GVFS names a mount's folder after its mount spec, "smb-share:domain=D,server=H,share=S,user=U",
// each value percent-encoded.
QString UncFromGvfsPath(const QString &path)
{
    static const QLatin1String smbShareSpec("smb-share:");
    const QStringList parts = QDir::cleanPath(path).split('/', Qt::SkipEmptyParts);
    const auto spec = std::find_if(parts.begin(), parts.end(),
                                   [](const QString &part) { return part.startsWith(smbShareSpec); });
    if (spec == parts.end() || spec == parts.begin() || *(spec - 1) != QLatin1String("gvfs"))
        return {};
    QMap<QString, QString> values;
    for (const QString &pair : spec->mid(smbShareSpec.size()).split(',')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals > 0)
            values.insert(pair.left(equals), QUrl::fromPercentEncoding(pair.mid(equals + 1).toUtf8()));
    }
    QStringList unc{values.value(QStringLiteral("server")), values.value(QStringLiteral("share"))};
    unc += QStringList(spec + 1, parts.end());
    // A backslash in a file name would read as another level of the remote folder.
    if (std::any_of(unc.cbegin(), unc.cend(), [](const QString &part) { return part.contains('\\'); }))
        return {};
    const QString folder = QStringLiteral("\\\\") + unc.join('\\');
    return SmbUrlFromUnc(folder).isEmpty() ? QString() : folder;
}
