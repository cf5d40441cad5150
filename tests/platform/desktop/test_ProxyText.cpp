#include "platform/QtPrint.h"
#include "platform/desktop/ProxyText.h"

#include <gtest/gtest.h>

namespace {

struct TServerCase
{
    const char *Name;
    QString Text;
    QString Canonical;
};

class ServerString : public testing::TestWithParam<TServerCase>
{};

struct TBypassCase
{
    const char *Name;
    QString List;
    QStringList Hosts;
    QString Canonical;
};

class BypassList : public testing::TestWithParam<TBypassCase>
{};

void PrintTo(const TServerCase &c, std::ostream *out) { *out << c.Name; }
void PrintTo(const TBypassCase &c, std::ostream *out) { *out << c.Name; }

} // namespace

TEST_P(ServerString, ComesBackInItsCanonicalForm)
{
    EXPECT_EQ(ProxyServerText(ParseProxyServer(GetParam().Text)), GetParam().Canonical);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServerString,
    testing::Values(TServerCase{"OneForAll", "10.0.0.1:8080", "10.0.0.1:8080"},
                    TServerCase{"PerProtocol", "http=10.0.0.1:80;https=10.0.0.2:443",
                                "http=10.0.0.1:80;https=10.0.0.2:443"},
                    TServerCase{"BlanksAndUpperCase", " HTTP=1.2.3.4:80  ftp=5.6.7.8:21 ",
                                "http=1.2.3.4:80;ftp=5.6.7.8:21"},
                    TServerCase{"GopherDropped", "http=1.2.3.4:80;gopher=9.9.9.9:70;socks=5.5.5.5:1080",
                                "http=1.2.3.4:80;socks=5.5.5.5:1080"},
                    TServerCase{"ProtocolOrderAndScheme", "socks=h.test:1080;http=http://h.test:3128/",
                                "http=h.test:3128;socks=h.test:1080"},
                    TServerCase{"EmptyPort", "10.0.0.1:", "10.0.0.1"},
                    TServerCase{"PortOutOfRange", "proxy.test:99999", "proxy.test"},
                    TServerCase{"IPv6", "[fd00::1]:3128", "[fd00::1]:3128"},
                    TServerCase{"NoHost", ":8080", ""},
                    TServerCase{"EmptyEntry", "http=;https=10.0.0.2:443", "https=10.0.0.2:443"},
                    TServerCase{
                        "FieldsTheEditorLeftUnused",
                        "http=10.0.0.1:3128;https=0.0.0.0:;ftp=0.0.0.0:;socks=:", "http=10.0.0.1:3128"},
                    TServerCase{"Nothing", "", ""}),
    [](const testing::TestParamInfo<TServerCase> &info) { return info.param.Name; });

TEST(ProxyServer, OneAddressServesHttpHttpsAndFtpButNotSocks)
{
    const TProxyServers servers = ParseProxyServer("proxy.test:3128");
    const TProxyAddress expected{"proxy.test", 3128};
    EXPECT_TRUE(servers.SameForAll);
    EXPECT_EQ(servers.Http, expected);
    EXPECT_EQ(servers.Https, expected);
    EXPECT_EQ(servers.Ftp, expected);
    EXPECT_TRUE(servers.Socks.IsEmpty());

    const TProxyServers tagged = ParseProxyServer("socks=s.test:1080");
    EXPECT_FALSE(tagged.SameForAll);
    EXPECT_TRUE(tagged.Http.IsEmpty());
    EXPECT_EQ(tagged.Socks, (TProxyAddress{"s.test", 1080}));
}

TEST_P(BypassList, BecomesHostPatternsAndComesBack)
{
    EXPECT_EQ(BypassHosts(GetParam().List), GetParam().Hosts);
    EXPECT_EQ(BypassText(GetParam().Hosts), GetParam().Canonical);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BypassList,
    testing::Values(
        TBypassCase{"Local", "<local>", {"localhost", "127.0.0.0/8", "::1"}, "<local>"},
        TBypassCase{"Mixed",
                    "<Local>;*.corp.test;10.*;192.168.1.*",
                    {"localhost", "127.0.0.0/8", "::1", "*.corp.test", "10.0.0.0/8", "192.168.1.0/24"},
                    "<local>;*.corp.test;10.*;192.168.1.*"},
        TBypassCase{"PartOfLocal", "localhost;intranet", {"localhost", "intranet"}, "localhost;intranet"},
        TBypassCase{"NotAWildcard", "300.*;10.*.1.*;*", {"300.*", "10.*.1.*", "*"}, "300.*;10.*.1.*;*"},
        TBypassCase{"NetworkOtherThanAWildcard",
                    "10.1.0.0/16;10.1.2.0/16",
                    {"10.1.0.0/16", "10.1.2.0/16"},
                    "10.1.*;10.1.2.0/16"},
        TBypassCase{"DuplicatesAndBlanks", "a.test; a.test ;;", {"a.test"}, "a.test"},
        TBypassCase{"Nothing", "", {}, ""}),
    [](const testing::TestParamInfo<TBypassCase> &info) { return info.param.Name; });
