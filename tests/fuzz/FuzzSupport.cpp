#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

QTemporaryDir &Root()
{
    static QTemporaryDir root = [] {
        const QString base =
            QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        return QTemporaryDir(base + QStringLiteral("/wayfarel-fuzz-XXXXXX"));
    }();
    static const bool prepared = [] {
        for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            const QString folder = root.path() + '/' + QString::fromLatin1(name).toLower();
            QDir().mkpath(folder);
            qputenv(name, QFile::encodeName(folder));
        }
        return true;
    }();
    (void)prepared;
    return root;
}

} // namespace

QString FuzzRoot() { return Root().path(); }

QString WriteFuzzFile(const QString &name, const uint8_t *data, size_t size)
{
    const QString path = FuzzRoot() + '/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
    file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    return path;
}

void FuzzCheck(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}
