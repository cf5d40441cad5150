#include "support/TestRoot.h"

#include <QDir>
#include <QFile>
#include <cstdlib>

TTestRoot::TTestRoot()
{
    if (!FDir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    QDir root(FDir.path());
    for (const char *sub : {"registry", "home", "config", "runtime", "data"})
        root.mkpath(sub);
    QFile::setPermissions(root.filePath("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!QFile::copy(WAYFAREL_DATA_FILE, DataFile()))
        throw std::runtime_error("cannot copy the shipped data file");
    QFile::setPermissions(DataFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    SetEnv("WAYFAREL_REGISTRY", RegistryDir());
    SetEnv("HOME", root.filePath("home"));
    SetEnv("XDG_CONFIG_HOME", root.filePath("config"));
    SetEnv("XDG_RUNTIME_DIR", root.filePath("runtime"));
}

TTestRoot::~TTestRoot()
{
    for (auto it = FSaved.crbegin(); it != FSaved.crend(); ++it) {
        if (it->second.isNull())
            qunsetenv(it->first.constData());
        else
            qputenv(it->first.constData(), it->second);
    }
}

QString TTestRoot::RegistryDir() const { return QDir(FDir.path()).filePath("registry"); }

QString TTestRoot::DataFolder() const { return QDir(FDir.path()).filePath("data") + '/'; }

QString TTestRoot::DataFile() const { return DataFolder() + "qtm.dat"; }

void TTestRoot::SetEnv(const char *name, const QString &value)
{
    FSaved.append({name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()});
    qputenv(name, value.toLocal8Bit());
}

bool UnderCI() { return qEnvironmentVariable("CI") == QLatin1String("true"); }
