#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

// A private world for one test: a temporary folder that holds the registry hives, HOME,
// the XDG folders (config, data, runtime), the GSettings of the keyfile backend (in the
// config folder) and a fresh data file made from the built template. The environment
// variables point there while the object lives and are put back afterwards.
class TTestRoot
{
public:
    TTestRoot();
    ~TTestRoot();
    TTestRoot(const TTestRoot &) = delete;
    TTestRoot &operator=(const TTestRoot &) = delete;

    QString Path() const { return FDir.path(); }
    QString RegistryDir() const;
    // $XDG_DATA_HOME while the object lives.
    QString DataHome() const;
    // Folder holding a copy of qtm.dat, with the trailing separator the database layer expects.
    QString DataFolder() const;
    QString DataFile() const;
    // Lets other users into the root and its folders (not their files), for a test that runs
    // a child as an unprivileged user.
    void OpenToOthers() const;

private:
    void SetEnv(const char *name, const QString &value);

    QTemporaryDir FDir;
    QList<QPair<QByteArray, QByteArray>> FSaved;
};

// For a child process about to run what is tested: as root, becomes the user nobody, so that
// file modes bind it as they bind an ordinary user; otherwise changes nothing.
void DropRootPrivileges();

// Runs Body in a forked child after DropRootPrivileges and returns its result (0 to 125), or
// -1 when the child did not end normally.
int RunUnprivileged(const std::function<int()> &Body);

// The permission bits of a file or folder (0644 and the like), 0 when it does not exist.
unsigned PermissionBits(const QString &Path);

// True when running under CI, where a test that cannot get its lab must fail, not skip.
bool UnderCI();

// Skips the test with reason, or fails it under CI so a broken lab is never a green run.
#define WAYFAREL_REQUIRE_LAB(condition, reason)                                                              \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            if (UnderCI())                                                                                   \
                FAIL() << "lab unavailable under CI: " << (reason);                                          \
            else                                                                                             \
                GTEST_SKIP() << (reason);                                                                    \
        }                                                                                                    \
    } while (0)
