#pragma once

#include "support/DatabaseTest.h"

#include <QDir>
#include <QFile>

// A test world with a Firefox profile folder in the private HOME: profiles.ini naming one
// profile, with the given prefs.js.
class TFirefoxProfileTest : public TDatabaseTest
{
protected:
    static QString Home() { return qEnvironmentVariable("HOME"); }
    static QString LegacyRoot() { return QDir(Home()).filePath(".mozilla/firefox"); }
    static QString XdgRoot()
    {
        return QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath("mozilla/firefox");
    }

    static void WriteFile(const QString &FileName, const QByteArray &Text)
    {
        QDir().mkpath(QFileInfo(FileName).absolutePath());
        QFile File(FileName);
        ASSERT_TRUE(File.open(QIODevice::WriteOnly)) << FileName.toStdString();
        File.write(Text);
    }
    static QByteArray ReadFile(const QString &FileName)
    {
        QFile File(FileName);
        return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("(missing)");
    }

    // Makes Root/Name a profile holding prefs.js and names it in profiles.ini as Firefox's
    // profile for its install.
    QString MakeProfile(const QByteArray &Prefs, const QString &Name = "a1b2.default-esr")
    {
        const QString Dir = QDir(LegacyRoot()).filePath(Name);
        WriteFile(QDir(LegacyRoot()).filePath("profiles.ini"),
                  "[Profile0]\nName=default-esr\nIsRelative=1\nPath=" + Name.toUtf8() +
                      "\n\n[Install3B6073811A6ABF12]\nDefault=" + Name.toUtf8() + "\nLocked=1\n");
        WriteFile(QDir(Dir).filePath("prefs.js"), Prefs);
        return Dir;
    }
};
