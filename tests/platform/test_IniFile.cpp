#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class IniFile : public testing::Test
{
protected:
    QString FileName() const { return QDir(FDir.path()).filePath("test.ini"); }
    void WriteText(const QByteArray &text)
    {
        QFile file(FileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QByteArray Text() const
    {
        QFile file(FileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    QTemporaryDir FDir;
};

} // namespace

TEST_F(IniFile, ChangesOnlyTheLinesItWrites)
{
    WriteText("; kept comment\n"
              "[Proxy]\n"
              "ProxyName = old.test\n"
              "# inner comment\n"
              "ProxyPort=80\n"
              "\n"
              "[Other]\n"
              "ProxyName=untouched\n");
    TIniFile ini(FileName());
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.ReadString("proxy", "proxyname"), "old.test") << "names compare without case";
    ini.WriteString("Proxy", "ProxyName", "new.test");
    ini.WriteString("Proxy", "ProxyUser", "alice");
    ini.WriteString("Added", "Key", "v");
    ASSERT_TRUE(ini.Save()) << ini.LastError().toStdString();
    EXPECT_EQ(Text(), "; kept comment\n"
                      "[Proxy]\n"
                      "ProxyName=new.test\n"
                      "# inner comment\n"
                      "ProxyPort=80\n"
                      "ProxyUser=alice\n"
                      "\n"
                      "[Other]\n"
                      "ProxyName=untouched\n"
                      "\n"
                      "[Added]\n"
                      "Key=v\n");
}

TEST_F(IniFile, KeepsWindowsLineEndings)
{
    WriteText("[A]\r\nx=1\r\n");
    TIniFile ini(FileName());
    ASSERT_TRUE(ini.Load());
    ini.WriteString("A", "y", "2");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(Text(), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST_F(IniFile, CaseSensitiveNamesAreDifferentKeys)
{
    WriteText("[Proxy Settings]\nhttpproxy=a\n");
    TIniFile ini(FileName(), Qt::CaseSensitive);
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.ReadString("Proxy Settings", "httpProxy", "none"), "none");
    EXPECT_EQ(ini.ReadString("proxy settings", "httpproxy", "none"), "none");
    ini.WriteString("Proxy Settings", "httpProxy", "b");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(Text(), "[Proxy Settings]\nhttpproxy=a\nhttpProxy=b\n");
}

TEST_F(IniFile, AMissingFileIsEmptyAndAnUnwritableOneFailsWithTheReason)
{
    TIniFile fresh(FileName());
    ASSERT_TRUE(fresh.Load());
    EXPECT_EQ(fresh.ReadString("A", "x", "fallback"), "fallback");
    fresh.WriteString("A", "x", "1");
    ASSERT_TRUE(fresh.Save());
    EXPECT_EQ(Text(), "[A]\nx=1\n");

    TIniFile nowhere(QDir(FDir.path()).filePath("no/such/folder/test.ini"));
    ASSERT_TRUE(nowhere.Load());
    nowhere.WriteString("A", "x", "1");
    EXPECT_FALSE(nowhere.Save());
    EXPECT_TRUE(nowhere.LastError().contains("test.ini")) << nowhere.LastError().toStdString();
}

TEST_F(IniFile, ListsTheSectionsInFileOrder)
{
    WriteText("; [Commented]\n[Install4F96D1932A9F858E]\nDefault=a.default-esr\n\n[ Profile0 ]\nName=x\n");
    TIniFile ini(FileName());
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.Sections(), QStringList({"Install4F96D1932A9F858E", "Profile0"}));
}

// Files edited on both systems, in a legacy code page, or with hostile values.
TEST_F(IniFile, KeepsEveryByteItDoesNotWrite)
{
    struct TCase
    {
        const char *What;
        QByteArray Before;
        QString Value;
        QByteArray After;
    };
    const QList<TCase> cases = {
        {"mixed line ends", "[A]\r\nx=1\n[Proxy]\r\nProxyPort=80\nname=n\r\n", "8080",
         "[A]\r\nx=1\n[Proxy]\r\nProxyPort=8080\nname=n\r\n"},
        {"a new key in a CR LF file", "[Proxy]\r\nname=n", "8080", "[Proxy]\r\nname=n\r\nProxyPort=8080\r\n"},
        {"no line end at the end", "[Proxy]\nProxyPort=80", "8080", "[Proxy]\nProxyPort=8080"},
        {"Latin-1 text", "[Proxy]\nName=Caf\xe9\nProxyPort=80\n", "8080",
         "[Proxy]\nName=Caf\xe9\nProxyPort=8080\n"},
        {"a line break in the value", "[Proxy]\nProxyPort=80\n", "1\n[Evil]\nx=y",
         "[Proxy]\nProxyPort=1 [Evil] x=y\n"},
    };
    for (const TCase &c : cases) {
        WriteText(c.Before);
        TIniFile file(FileName());
        ASSERT_TRUE(file.Load()) << c.What;
        file.WriteString("Proxy", "ProxyPort", c.Value);
        ASSERT_TRUE(file.Save()) << c.What;
        EXPECT_EQ(Text(), c.After) << c.What;
    }
}
