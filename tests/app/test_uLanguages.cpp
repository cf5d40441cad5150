#include "app/uLanguages.h"
#include "platform/desktop/MessageBox.h"

#include <QFile>
#include <QList>
#include <QStringDecoder>
#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>

namespace {

struct TEntry
{
    const char *Id;
    const char *Text; // UTF-8
};

void PrintTo(const TEntry &entry, std::ostream *os) { *os << entry.Id << "=" << entry.Text; }

// The English table in its stored order.
const TEntry EnglishTable[] = {
    {"1", "Wayfarel 2010"},
    {"4", "Save location [%s] ?"},
    {"5", "delete location [%s]?"},
    {"6", "Location switched to [%s]!"},
    {"7", "New location"},
    {"8", "Current Location: %s(%s%s)"},
    {"9", "LOC"},
    {"20", "Can not find data file 'qtm.dat', please reinstall Wayfarel!"},
    {"40", "'Share name' can not be NULL!"},
    {"41", "Duplicate '%s' for 'Share name'!"},
    {"42", "'Folder' can not be NULL!"},
    {"43", "Folder does not exists!"},
    {"44", "Folder already shared!"},
    {"45", "Save Settings failed!"},
    {"60", "'Folder' can not be NULL!"},
    {"61", "Save Settings failed!"},
    {"101", "Please Enter Firefox Proxy Server Address!"},
    {"102", "Please Enter Firefox Proxy Server Port!"},
    {"103", "Please Enter IE Proxy Server Address!"},
    {"104", "Please Enter IE Proxy Server Port!"},
    {"105", "Please Enter Location Name!"},
    {"106", "Please Select an adapter!"},
    {"150", "Please select a  printer!"},
    {"107", "Please Enter IP Address!"},
    {"108", "Please Enter SubnetMask Address!"},
    {"109", "Please Enter MSN Proxy Server Address!"},
    {"110", "Please Enter MSN Proxy Server Port!"},
    {"111", "Settings successfully saved."},
    {"112", "Please Select Foxmail Proxy Type!"},
    {"113", "Please Enter Foxmail Proxy Server Address!"},
    {"114", "Please Enter Foxmail Proxy Server Port!"},
    {"115", "Please Select ICQ Proxy Server Type!"},
    {"116", "Please Enter ICQ Proxy Server Address!"},
    {"117", "Please Enter ICQ Proxy Server Port!"},
    {"118", "请输入外部服务器IP!"},
    {"119", "Please Select Skype Proxy Type!"},
    {"120", "Please Enter Skype Proxy Server Address!"},
    {"121", "Please Enter Skype Proxy Server Port!"},
    {"130", "Please Select eMule Proxy Type!"},
    {"131", "Please Enter eMule Proxy Server Address!"},
    {"132", "Please Enter eMule Proxy Server Port!"},
    {"133", "Please Enter eMule Proxy User!"},
    {"140", "Please Enter ICQ Server Address!"},
    {"141", "Please Enter ICQ Server Port!"},
    {"1100", "Location(&L)"},
    {"1101", "Add new location"},
    {"1104", "Import current settings..."},
    {"1105", "Import from current settings..."},
    {"1102", "Switch to"},
    {"1103", "Exit"},
    {"1200", "View(&V)"},
    {"1201", "Panel UI"},
    {"1202", "Main UI"},
    {"1203", "Hide MainUI"},
    {"1204", "Default UI"},
    {"1205", "Panel UI"},
    {"1206", "Main UI"},
    {"1300", "Tools(&T)"},
    {"1301", "Scan LAN computers"},
    {"1301-Hint", "Scan LAN computers"},
    {"1302", "Customize proxy plugins"},
    {"1303", "Start with the desktop session"},
    {"1400", "Help(&H)"},
    {"1401", "Help topic"},
    {"1402", "Recent update"},
    {"1403", "Homepage"},
    {"1406", "About Wayfarel"},
    {"1500", "Skins(&S)"},
    {"2101", "Switch to..."},
    {"2102", "Open Wayfarel"},
    {"2103", "Panel UI"},
    {"2105", "Quit"},
    {"3101", "Switch to"},
    {"3102", "Add new location"},
    {"3103", "Delete "},
    {"4101", "Switch to"},
    {"4102", "Add location"},
    {"4103", "Scan LAN"},
    {"4103-Hint", "Scan LAN computers"},
    {"4104", "Help"},
    {"4105", "Exit"},
    {"4106", "Update"},
    {"5100", "Brackwell Wayfarel"},
    {"5101", "Locations"},
    {"5102", "Tools"},
    {"5103", "Support & Help"},
    {"5104", "Help Topic"},
    {"5105", "Tech.Support"},
    {"5106", "About"},
    {"5107", "Scan LAN computers"},
    {"6117", "Location Settings"},
    {"6120", "Location"},
    {"6100", "Location Settings:"},
    {"6101", "Description:"},
    {"6102", "MAC Addr:"},
    {"6103", "Adapter:"},
    {"6140", "Printer:"},
    {"6104", "Obtain IP address automatically"},
    {"6105", "Use the following IP address:"},
    {"6106", "IP addr:"},
    {"6107", "Subnet:"},
    {"6108", "Gateway:"},
    {"6109", "Obtain DNS server address automatically"},
    {"6110", "Use the following DNS server addr:"},
    {"6111", "Pre DNS:"},
    {"6112", "Alt DNS:"},
    {"6113", "Gateway MAC:"},
    {"6114", "Obtain"},
    {"6115", "AntiARP(IP+MAC Bind)"},
    {"6116", "Save"},
    {"6131", "Customize Proxy Modules"},
    {"6132", "Close this Module"},
    {"6133-Hint", "Obtain an unused IP address"},
    {"6201", "Use a proxy server"},
    {"6202", "Servers"},
    {"6203", "Type"},
    {"6204", "Proxy address to use"},
    {"6205", "Port"},
    {"6206", "Use the same proxy server for all"},
    {"6207", "Exceptions(Do not use proxy)"},
    {"6208", "Bypass proxy server for local address"},
    {"6301", "Direct connection"},
    {"6302", "Auto-detect proxy settings"},
    {"6303", "Manual proxy configuration"},
    {"6304", "Use the same proxy server for all"},
    {"6305", "Exceptions(Do not use proxy)"},
    {"6306", "Automatic proxy configuration URL"},
    {"6307", "Use system proxy settings"},
    {"6401", "Use a proxy server"},
    {"6501", "Use a proxy server"},
    {"6502", "Type:"},
    {"6503", "Server:"},
    {"6504", "Port:"},
    {"6505", "IP(&E):"},
    {"6506", "(&X):"},
    {"6507", "Automatic connection settings"},
    {"6508", "Manual settings"},
    {"6509", "Authentication required:"},
    {"6510", "User Name:"},
    {"6511", "Password:"},
    {"6512", "Define your proxy server:"},
    {"6513", "ICQ Server:"},
    {"6601", "Use a proxy server"},
    {"6602", "Type:"},
    {"6603", "Server:"},
    {"6604", "Port:"},
    {"6605", "User ID:"},
    {"6606", "Password:"},
    {"6801", "Use a proxy server"},
    {"6802", "Type:"},
    {"6803", "Server:"},
    {"6804", "Port:"},
    {"6701", "Enable?"},
    {"6702", "Share folder"},
    {"6703", "Map network drive"},
    {"6704", "Share name"},
    {"6705", "Folder"},
    {"6706", "Drive"},
    {"6707", "Folder"},
    {"6708", "Add"},
    {"6709", "Modify"},
    {"6710", "Delete"},
    {"6711", "Select folder to share"},
    {"6712", "Share name:"},
    {"6713", "Comment:"},
    {"6714", "Folder:"},
    {"6715", "Browser"},
    {"6716", "OK"},
    {"6717", "Cancel"},
    {"6720", "Map Network Drive"},
    {"6721", "Drive:"},
    {"6722", "Reconnect at logon"},
    {"6723", "Username:"},
    {"6724", "Password:"},
    {"6725", "Folder:"},
    {"6726", "Browser"},
    {"6727", "OK"},
    {"6728", "Cancel"},
    {"6901", "Customize Proxy Plugins"},
    {"6902", "Available Proxy Plugins"},
    {"6903", "Current Proxy Plugins"},
    {"6904", "Add(&A) ->"},
    {"6905", "<- Remove(&R)"},
    {"6906", "OK(&O)"},
    {"6907", "Close(&C)"},
    {"6908", "Move Up(&U)"},
    {"6909", "Move Down(&D)"},
    {"6910", "Cannot find the plugin you need?"},
    {"6911", " Click here  "},
    {"6912", " to submit your requirement."},
    {"6913", "Cannot find the plugin you need? Click here to submit your requirement."},
    {"7001", "About"},
    {"7002", "Version:"},
    {"7004", "Tech.Support:"},
    {"7005", "Home page:"},
    {"7006", "Wayfarel changes this computer's network settings: keep one location you know works."},
    {"7007", "The support page of the bundled help"},
    {"7008", "The home page of the bundled help"},
    {"7201", "IP+MAC Address Scan"},
    {"7202", "From IP:"},
    {"7203", "To IP:"},
    {"7204", "Hint: Static bind IP+MAC can Anti-ARP!"},
    {"7205", "Bind All"},
    {"7206", "Bind on start up"},
    {"7207", "IP Address"},
    {"7208", "MAC Address"},
    {"7209", "Scan online computers in the LAN"},
    {"7210", "Scan unused ip address in the LAN"},
    {"7211", "Host name"},
    {"7212", "The start address lies above the end address!"},
    {"7213", "Please enter a range of host addresses to scan!"},
    {"7214", "These addresses could not be bound:"},
    {"7301", "Use a proxy server"},
    {"7302", "Type:"},
    {"7303", "Server:"},
    {"7304", "Port:"},
    {"7305", "Authentication required:"},
    {"7306", "UserName:"},
    {"7307", "Password:"},
    {"7401", "Switching location, please wait a moment..."},
    {"7402", "Importing location, please wait a moment..."},
    {"7403", "Importing locations, please wait a moment..."},
    {"7501", "Import current settings as new location"},
    {"7502", "Location name: "},
    {"7503", "Select adapter: "},
    {"7504", "Import"},
    {"7505", "Close"},
    {"7506", "Please give a name to location!"},
    {"7507", "Please select an adapter!"},
    {"7601", "Welcome to Wayfarel"},
    {"7602", "No locations were currently defined."},
    {"7603", "Do you want to import locations from your current settings? "},
    {"7604", "(RECOMMENDED)"},
    {"7701", "Switch failed"},
    {"7702", "Switching to [%s] failed. Every step of the switch:"},
    {"7703", "Step"},
    {"7704", "Outcome"},
    {"7705", "Reason"},
    {"7706", "Close"},
    {"7707", "done"},
    {"7708", "failed"},
    {"7709", "skipped"},
    {"7710", "Could not switch to [%s]: %s"},
    {"7801", "The page %s cannot be opened."},
    {"7802", "The autostart entry cannot be changed: %s"},
    {"7810", "The location was not saved: storing %s failed."},
    {"7811", "the location"},
    {"7812", "the TCP/IP settings"},
    {"7813", "The rules of this location could not be read."},
    {"7820", "The IE %s proxy port must be a number from 0 to 65535."},
    {"7821", "The Firefox %s proxy port must be a number from 0 to 65535."},
    {"7822", "The Foxmail proxy port must be a number from 0 to 65535."},
    {"7823", "The MSN proxy port must be a number from 0 to 65535."},
    {"7830", "The ICQ server port must be a number from 0 to 65535."},
    {"7831", "The ICQ proxy port must be a number from 0 to 65535."},
    {"7832", "The Skype proxy port must be a number from 0 to 65535."},
    {"7833", "The eMule proxy port must be a number from 0 to 65535."},
    {"7834", "The BitComet proxy port must be a number from 0 to 65535."},
    {"7870", "Export locations..."},
    {"7871", "Import locations from file..."},
    {"7872", "Export locations"},
    {"7873", "Include passwords"},
    {"7874", "Location files (*.json);;All files (*)"},
    {"7875", "Import locations"},
    {"7876", "The locations were written to %s."},
    {"7877", "The locations cannot be exported: %s"},
    {"7878", "%s is refused, nothing was imported: %s"},
    {"7879", "%s location(s) of the file have the id or name of a stored location: %s. Yes: replace the "
             "stored ones. No: keep both, the imported ones renamed. Cancel: skip them."},
    {"7880", "Nothing was imported: %s"},
    {"7881", "%s location(s) imported. %s"},
    {"7890", "Switch location automatically"},
    {"7891", "Switched to [%s]: this network matches %s. Click here to switch back to [%s]."},
    {"7892", "Switched to [%s]: this network matches %s."},
    {"7893", "Several locations match this network: %s. Click here to choose one."},
    {"7894", "Automatic switching"},
    {"7895", "Locations that match this network:"},
    {"7896", "Automatic"},
    {"7897", "Switch to this location automatically when its network is found"},
    {"7898", "Its network has every kind of rule listed here; rules of one kind are alternatives."},
    {"7899", "Kind"},
    {"7900", "Value"},
    {"7901", "Add"},
    {"7902", "Remove"},
    {"7903", "Use the current network"},
    {"7904", "Access point (BSSID)"},
    {"7905", "Rule %s: %s"},
};

const QStringList IdsMissingInChinese = {"150",  "1104", "1301-Hint", "4103-Hint", "4106",
                                         "6117", "6140", "6133-Hint", "6307",      "6913",
                                         "7209", "7210", "7211"};

// Records every message box while alive.
class TBoxRecorder
{
public:
    TBoxRecorder()
        : FPrevious(TMessageBox::SetHandler([this](const TMessage &m) {
              Boxes.append(m);
              return TMsgResult::Ok;
          }))
    {}
    ~TBoxRecorder() { TMessageBox::SetHandler(FPrevious); }

    QList<TMessage> Boxes;

private:
    TMessageHandler FPrevious;
};

QStringList ResourceLines(const QString &resource)
{
    TLanguages::GetInstance(); // registers the resources
    QFile file(resource);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << resource.toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), bytes.count('\n')) << "every line ends with CR LF";
    QStringDecoder gbk("GBK");
    QStringList lines = QString(gbk.decode(bytes)).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

QStringList EntryNames(const QStringList &lines)
{
    QStringList names;
    for (const QString &line : lines) {
        if (!line.isEmpty() && !line.startsWith('#') && line.contains('='))
            names.append(line.section('=', 0, 0));
    }
    return names;
}

} // namespace

class EnglishEntry : public testing::TestWithParam<TEntry>
{};

TEST_P(EnglishEntry, GetLangStrReturnsTheStoredText)
{
    const TEntry &entry = GetParam();
    EXPECT_EQ(GetLangStr("EN", entry.Id, "x"), QString::fromUtf8(entry.Text)) << entry.Id;
}

INSTANTIATE_TEST_SUITE_P(
    WholeTable, EnglishEntry, testing::ValuesIn(EnglishTable),
    [](const testing::TestParamInfo<TEntry> &info) {
        return QString::fromLatin1(info.param.Id).replace('-', '_').prepend("Id").toStdString();
    });

TEST(LangEN, ResourceKeepsTheStoredOrderInCommentedGroups)
{
    const QStringList lines = ResourceLines(":/lang/LangEN");
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), "[Strings]");

    QStringList expected;
    for (const TEntry &entry : EnglishTable)
        expected.append(entry.Id);
    EXPECT_EQ(EntryNames(lines), expected);

    // A comment opens the table and every group after a blank line; nothing else is one.
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const bool opensGroup = i == 1 || lines[i - 1].isEmpty();
        EXPECT_EQ(lines[i].startsWith('#'), opensGroup) << "line " << i + 1;
    }
    EXPECT_FALSE(lines.last().isEmpty());
    EXPECT_TRUE(lines.contains("#Main Menu"));
}

TEST(LangEN, TheTableInMemoryHoldsTheResourceLines)
{
    EXPECT_EQ(TLanguages::GetInstance().ENs(), ResourceLines(":/lang/LangEN"));
    EXPECT_EQ(TLanguages::GetInstance().CNs(), ResourceLines(":/lang/LangCN"));
}

TEST(LangEN, AnIdWithoutEntryYieldsTheDefault)
{
    EXPECT_EQ(GetLangStr("EN", "135", "Please Enter GateWay IP Address First!"),
              "Please Enter GateWay IP Address First!");
    EXPECT_EQ(GetLangStr("EN", "6119", "dflt"), "dflt");
}

TEST(LangEN, LeadingAndTrailingBlanksArePartOfTheText)
{
    EXPECT_EQ(GetLangStr("EN", "3103", ""), "Delete ");
    EXPECT_EQ(GetLangStr("EN", "6911", ""), " Click here  ");
}

TEST(LangEN, GbkEntryDecodesToChinese)
{
    EXPECT_EQ(GetLangStr("EN", "118", ""), QString::fromUtf8("请输入外部服务器IP!"));
}

TEST(LangEN, NamesCompareWithoutLetterCase)
{
    EXPECT_EQ(GetLangStr("EN", "1301-hint", "x"), "Scan LAN computers");
    EXPECT_EQ(GetLangStr("EN", "4103-HINT", "x"), "Scan LAN computers");
}

TEST(LangEN, CommentsAndTheSectionLineNeverMatch)
{
    EXPECT_EQ(GetLangStr("EN", "#Main Menu", "x"), "x");
    EXPECT_EQ(GetLangStr("EN", "[Strings]", "x"), "x");
    EXPECT_EQ(GetLangStr("EN", "", "x"), "x");
}

TEST(LangCN, LacksExactlyTheListedIdsAndAddsOne)
{
    const QStringList cnNames = EntryNames(ResourceLines(":/lang/LangCN"));
    QStringList expected;
    for (const TEntry &entry : EnglishTable) {
        if (!IdsMissingInChinese.contains(entry.Id))
            expected.append(entry.Id);
    }
    expected.append("6119");
    QStringList sortedCn = cnNames;
    sortedCn.sort();
    expected.sort();
    EXPECT_EQ(sortedCn, expected);
}

TEST(LangCN, MissingIdsFallBackToTheDefault)
{
    for (const QString &id : IdsMissingInChinese)
        EXPECT_EQ(GetLangStr("CN", id, "dflt"), "dflt") << id.toStdString();
}

TEST(LangCN, HoldsChineseTextsAndTheExtraEntry)
{
    const QString caption = GetLangStr("CN", "4103", "x");
    EXPECT_NE(caption, "x");
    EXPECT_NE(caption, GetLangStr("EN", "4103", "x"));
    EXPECT_TRUE(std::any_of(caption.begin(), caption.end(),
                            [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; }));
    EXPECT_NE(GetLangStr("CN", "6119", "x"), "x");
    EXPECT_EQ(GetLangStr("CN", "6", "x").count("%s"), 1);
}

TEST(Languages, LangExistsAcceptsPartsOfTheKnownCodes)
{
    const struct
    {
        const char *Lang;
        bool Exists;
    } cases[] = {{"EN", true}, {"CN", true}, {"N", true}, {"", false}, {"DE", false}, {"en", false}};
    for (const auto &c : cases)
        EXPECT_EQ(TLanguages::LangExists(c.Lang), c.Exists) << c.Lang;
}

TEST(Languages, UnknownCodeShowsOneErrorAndReturnsTheDefault)
{
    TBoxRecorder recorder;
    EXPECT_EQ(GetLangStr("DE", "6", "dflt"), "dflt");
    ASSERT_EQ(recorder.Boxes.size(), 1);
    EXPECT_EQ(recorder.Boxes[0].Text, "Can't load language!");
    EXPECT_EQ(recorder.Boxes[0].Caption, "Error");
    EXPECT_EQ(recorder.Boxes[0].Icon, TMsgIcon::Error);
}

TEST(Languages, AcceptedCodeWithoutTableIsSilentAndReturnsTheDefault)
{
    TBoxRecorder recorder;
    EXPECT_EQ(GetLangStr("N", "6", "dflt"), "dflt");
    EXPECT_TRUE(recorder.Boxes.isEmpty());
}

TEST(Languages, GetResStartsFromTheDefaultAndKeepsItForMissingEntries)
{
    QString value = "stale";
    TLanguages::GetInstance().GetRes("EN", "6", value, "dflt");
    EXPECT_EQ(value, "Location switched to [%s]!");
    value = "stale";
    TLanguages::GetInstance().GetRes("EN", "999999", value, "dflt");
    EXPECT_EQ(value, "dflt");
}

TEST(Languages, FreedSingletonIsRebuiltOnNextUse)
{
    TLanguages::FreeInstance();
    EXPECT_EQ(GetLangStr("EN", "6", "x"), "Location switched to [%s]!");
}

TEST(Languages, FormatLangStrFillsTheMarksInOrder)
{
    const struct
    {
        const char *Text;
        QStringList Values;
        const char *Expected;
    } cases[] = {
        {"Current Location: %s(%s%s)", {"Office", "eth0", "-Intel"}, "Current Location: Office(eth0-Intel)"},
        {"Current Location: %s(%s%s)", {"Office", "", ""}, "Current Location: Office()"},
        {"Location switched to [%s]!", {"50%s off"}, "Location switched to [50%s off]!"},
        {"Could not switch to [%s]: %s", {"Home"}, "Could not switch to [Home]: %s"},
        {"no marks", {"x"}, "no marks"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatLangStr(c.Text, c.Values), c.Expected) << c.Text;
}
