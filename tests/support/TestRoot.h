#pragma once

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A private world for one test: a temporary folder that holds the registry hives, HOME,
// the XDG folders and a fresh copy of the shipped data file. The environment variables
// point there while the object lives and are put back afterwards.
class TTestRoot
{
public:
    TTestRoot();
    ~TTestRoot();
    TTestRoot(const TTestRoot &) = delete;
    TTestRoot &operator=(const TTestRoot &) = delete;

    QString Path() const { return FDir.path(); }
    QString RegistryDir() const;
    // Folder holding a copy of qtm.dat, with the trailing separator the database layer expects.
    QString DataFolder() const;
    QString DataFile() const;

private:
    void SetEnv(const char *name, const QString &value);

    QTemporaryDir FDir;
    QList<QPair<QByteArray, QByteArray>> FSaved;
};

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
