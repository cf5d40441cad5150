#include "modules/ICQ6.h"

#include "modules/ICQ6Examples.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace {

struct TSettings
{
    bool Automatic;
    int ProxyType;
    bool NeedAuth;
};

QByteArray Written(const TSettings &Settings, const QString &Server = QStringLiteral("ab"))
{
    QByteArray Stream;
    TICQ6Writer().writeSettings(Stream, Settings.Automatic, Server, 5190, Settings.ProxyType, "cd", 1080,
                                Settings.NeedAuth, "u", "p");
    return Stream;
}

} // namespace

TEST(ICQ6Writer, WritesEachOfTheFourShapesByteForByte)
{
    const struct
    {
        const char *Case;
        TSettings Settings;
        QByteArray Expected;
    } Cases[] = {
        {"automatic, whatever the other fields hold", {true, 3, true}, ICQ6Examples::Automatic},
        {"manual without a proxy: no user or proxy written", {false, 0, true}, ICQ6Examples::NoProxy},
        {"HTTPS proxy without authentication: no user or password",
         {false, 2, false},
         ICQ6Examples::HttpsProxy},
        {"SOCKS4 proxy with authentication", {false, 3, true}, ICQ6Examples::Socks4WithAuthentication},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(Written(Case.Settings).toHex(' '), Case.Expected.toHex(' ')) << Case.Case;
    EXPECT_EQ(ICQ6Examples::NoProxy.size(), 138);
    EXPECT_EQ(ICQ6Examples::Socks4WithAuthentication.size(), 438);
}

TEST(ICQ6Writer, AppendsToWhatTheStreamHolds)
{
    QByteArray Stream("head");
    TICQ6Writer().writeSettings(Stream, true, "ab", 5190, 0, "", 0, false, "", "");
    EXPECT_EQ(Stream, "head" + ICQ6Examples::Automatic);
}

// 127 characters and more do not fit the one byte older writers filled: the whole 32-bit length
// is written, and the record goes on right after the text.
TEST(ICQ6Writer, WritesTheWholeLengthOfALongText)
{
    const QString Server(200, 'a');
    const QByteArray Record = Written({false, 0, false}, Server);
    const qsizetype LengthAt = 88;
    EXPECT_EQ(qFromLittleEndian<quint32>(Record.constData() + LengthAt), 402u);
    EXPECT_EQ(Record.size(), ICQ6Examples::NoProxy.size() - 6 + 402);
    EXPECT_EQ(Record.mid(LengthAt + 4 + 402), ICQ6Examples::NoProxy.mid(98)) << "ServerPort follows the text";
}
