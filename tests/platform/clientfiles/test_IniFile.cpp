#include "platform/clientfiles/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

// What one write of Proxy/ProxyName does to a file, byte for byte: only that line changes, every
// other byte stays, whatever the encoding and line ends.
TEST_F(IniFile, KeepsEveryByteItDoesNotWrite)
{
    const struct
    {
        const char *Case;
        QByteArray Before;
        QByteArray After;
        const char *Value = "new";
    } Cases[] = {
        {"mixed line ends", "[Proxy]\r\nProxyName=old\nProxyPort=1\r\n",
         "[Proxy]\r\nProxyName=new\nProxyPort=1\r\n"},
        {"no line end at the end", "[Proxy]\nProxyName=old", "[Proxy]\nProxyName=new"},
        {"added after a last line without a line end", "[Proxy]\r\nProxyPort=1",
         "[Proxy]\r\nProxyPort=1\r\nProxyName=new\r\n"},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF[Proxy]\nProxyName=old\n",
         "\xEF\xBB\xBF[Proxy]\nProxyName=new\n"},
        {"Latin-1 bytes kept", "; caf\xE9\n[Proxy]\nProxyName=\xFF\xFE\n",
         "; caf\xE9\n[Proxy]\nProxyName=new\n"},
        {"UTF-16LE with its mark", QByteArray("\xFF\xFE[\0P\0r\0o\0x\0y\0]\0\n\0", 18),
         QByteArray("\xFF\xFE[\0P\0r\0o\0x\0y\0]\0\n\0P\0r\0o\0x\0y\0N\0a\0m\0e\0=\0n\0e\0w\0\n\0", 46)},
        {"UTF-16BE with a lone surrogate", QByteArray("\xFE\xFF\0[\0P\0r\0o\0x\0y\0]\0\n\xD8\x00\0\n", 22),
         QByteArray("\xFE\xFF\0[\0P\0r\0o\0x\0y\0]\0\n\xD8\x00\0\n"
                    "\0P\0r\0o\0x\0y\0N\0a\0m\0e\0=\0n\0e\0w\0\n",
                    50)},
        {"a lone CR stays inside its line", "[Proxy]\nA=1\rB=2\nProxyName=old\n",
         "[Proxy]\nA=1\rB=2\nProxyName=new\n"},
        {"a line break in the value", "[Proxy]\nProxyName=old\n", "[Proxy]\nProxyName=1 [Evil] x=y\n",
         "1\n[Evil]\nx=y"},
    };
    for (const auto &Case : Cases) {
        WriteText(Case.Before);
        TIniFile ini(FileName());
        ASSERT_TRUE(ini.Load()) << Case.Case << ": " << ini.LastError().toStdString();
        ini.WriteString("Proxy", "ProxyName", Case.Value);
        ASSERT_TRUE(ini.Save()) << Case.Case << ": " << ini.LastError().toStdString();
        EXPECT_EQ(Text().toHex(' '), Case.After.toHex(' ')) << Case.Case;
    }
}

TEST_F(IniFile, RefusesWhatIsNoTextWithTheReason)
{
    const struct
    {
        const char *Case;
        QByteArray Bytes;
        const char *Reason;
    } Cases[] = {
        {"NUL bytes", QByteArray("[Proxy]\n\0\0\x01", 11), "NUL"},
        {"UTF-16 cut in a character", QByteArray("\xFF\xFE[\0P", 5), "UTF-16"},
    };
    for (const auto &Case : Cases) {
        TIniFile ini(FileName());
        EXPECT_FALSE(ini.Parse(Case.Bytes)) << Case.Case;
        EXPECT_TRUE(ini.LastError().contains(Case.Reason))
            << Case.Case << ": " << ini.LastError().toStdString();
    }
}

TEST_F(IniFile, RefusesAHugeFileAPipeAndATextItsEncodingCannotHold)
{
    WriteText(QByteArray(TIniFile::MaxFileSize + 1, 'x'));
    TIniFile huge(FileName());
    EXPECT_FALSE(huge.Load());
    EXPECT_TRUE(huge.LastError().contains("larger")) << huge.LastError().toStdString();

    const QString Pipe = QDir(FDir.path()).filePath("pipe.ini");
    ASSERT_EQ(mkfifo(QFile::encodeName(Pipe).constData(), 0600), 0);
    TIniFile pipe(Pipe);
    EXPECT_FALSE(pipe.Load()) << "a pipe must not be opened: it would wait for a writer";
    EXPECT_TRUE(pipe.LastError().contains("regular file")) << pipe.LastError().toStdString();

    WriteText("[Proxy]\nProxyName=caf\xE9\n");
    TIniFile latin1(FileName());
    ASSERT_TRUE(latin1.Load());
    latin1.WriteString("Proxy", "ProxyUser", QString::fromUtf8("\xE6\x9D\x8E"));
    EXPECT_FALSE(latin1.Save());
    EXPECT_TRUE(latin1.LastError().contains("encoding")) << latin1.LastError().toStdString();
    EXPECT_EQ(Text(), "[Proxy]\nProxyName=caf\xE9\n");
}
