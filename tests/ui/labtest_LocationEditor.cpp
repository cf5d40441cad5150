// A new location made in the main window's editor with every tab filled in through its widgets,
// saved, and switched to from the tray menu: afterwards the lab's link, its default printer, the
// desktop proxy, Firefox's prefs, Skype's settings file, the share seen from another computer and
// the mapped drive hold what was typed, and wayfarelctl shows the same values.
#include "adapters/NetMgr.h"
#include "app/DBManager.h"
#include "modules/SkypeProxy.h"
#include "platform/desktop/MessageBox.h"
#include "platform/sharing/UserShares.h"
#include "support/BoxAnswers.h"
#include "support/CtlRun.h"
#include "support/FirefoxProfileTest.h"
#include "support/ModalAnswer.h"
#include "support/NMLab.h"
#include "support/SambaLab.h"
#include "support/WidgetApplication.h"
#include "ui/FormMain.h"
#include "ui/FrameLocation.h"
#include "ui/dialogs/FormFolderShare.h"
#include "ui/dialogs/FrmNetMapping.h"
#include "ui/widgets/IPEdit.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <gmock/gmock.h>

namespace {

using testing::HasSubstr;

const QString Name = QStringLiteral("Branch office");
const QString Printer = QStringLiteral("Lab_Office_Laser");

const QByteArray SharedXml = "<?xml version=\"1.0\"?>\n"
                             "<config version=\"1.0\">\n"
                             "  <Lib>\n"
                             "    <Connection>\n"
                             "      <HttpsProxy><Addr>proxy.old:8080</Addr><Enable>0</Enable></HttpsProxy>\n"
                             "      <SocksProxy><Addr>socks.old:1080</Addr><Enable>0</Enable></SocksProxy>\n"
                             "    </Connection>\n"
                             "  </Lib>\n"
                             "</config>\n";

// The text of a control found by name below Parent, typed as a user types.
template <class T>
T *Control(const QWidget &Parent, const char *Name)
{
    T *Found = Parent.findChild<T *>(QLatin1String(Name));
    if (!Found)
        ADD_FAILURE() << "no control " << Name;
    return Found;
}

void Type(const QWidget &Parent, const char *Name, const QString &Text)
{
    if (auto *Field = Control<QLineEdit>(Parent, Name))
        Field->setText(Text);
}

void TypeAddress(const QWidget &Parent, const char *Name, const QString &Address)
{
    if (auto *Field = Control<TIPEdit>(Parent, Name))
        Field->SetIPString(Address);
}

// Clicks a check box or radio button until it shows Checked, as the user does.
void Set(const QWidget &Parent, const char *Name, bool Checked = true)
{
    if (auto *Box = Control<QAbstractButton>(Parent, Name); Box && Box->isChecked() != Checked)
        Box->click();
}

void Choose(const QWidget &Parent, const char *Name, int Index)
{
    if (auto *List = Control<QComboBox>(Parent, Name))
        List->setCurrentIndex(Index);
}

class LocationEditorLab : public TFirefoxProfileTest
{
protected:
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        WidgetApplication();
        TFirefoxProfileTest::SetUp();
        FProfile = MakeProfile(
            "// Mozilla User Preferences\n\nuser_pref(\"browser.startup.homepage\", \"about:blank\");\n");
        WriteFile(TSkypeProxy::SettingsFile(), SharedXml);
        // smbd serves the shares on the address the location gives the link.
        ASSERT_EQ(NMLab::Nmcli({"connection", "up", TLab::Value("STATIC_PROFILE")}).ExitCode, 0);
        FSamba = std::make_unique<TSambaLab>(FRoot.Path() + "/samba",
                                             QStringList{"127.0.0.1", TLab::Value("STATIC_IP")});
        ASSERT_TRUE(FSamba->Start()) << FSamba->Error().toStdString();
        ASSERT_TRUE(TNetUserShares().Add(
            "Public", FSamba->MakeFolder("public", {{"hello.txt", "hello from the public share\n"}}), ""));
        FShared = FSamba->MakeFolder("branch", {{"branch.txt", "seen from the peer\n"}});
    }

    void TearDown() override
    {
        FMain.reset();
        FBoxes.reset();
        CloseConnection();
        TNetManager::ReleaseInstance();
        FSamba.reset();
        TFirefoxProfileTest::TearDown();
        if (TLab::IsUp())
            NMLab::RestoreLink();
    }

    // The editor of a location added with the main window's "Add location".
    TFrameLocation *AddLocation()
    {
        FBoxes = std::make_unique<TBoxAnswers>();
        FMain = std::make_unique<TFrmMain>();
        FMain->ShowStartInterface({}, 0);
        FMain->findChild<QAction *>("nAddLocation")->trigger();
        for (TFrameLocation *Frame : FMain->findChildren<TFrameLocation *>())
            if (Frame->IsChanged())
                return Frame;
        return nullptr;
    }

    void FillLocationTab(TFrameLocation &Editor)
    {
        Type(Editor, "txtLocName", Name);
        auto *Adapters = Control<QComboBox>(Editor, "cobNetId");
        Adapters->setCurrentIndex(Adapters->findData(NMLab::StandingId("STATIC_UUID")));
        auto *Printers = Control<QComboBox>(Editor, "cobPrinters");
        Printers->setCurrentIndex(Printers->findText(Printer));
        Set(Editor, "cbEnableDHCP", false);
        TypeAddress(Editor, "txtIPAddr", TLab::Value("STATIC_IP"));
        TypeAddress(Editor, "txtSubnetMask", "255.255.255.0");
        TypeAddress(Editor, "txtGateway", TLab::Value("PEER_IP"));
        TypeAddress(Editor, "txtMainDNS", TLab::Value("PEER_IP"));
    }

    static void FillProxyTabs(const TFrameLocation &Editor)
    {
        Set(Editor, "cbIEEnableProxy");
        TypeAddress(Editor, "txtIEHttp", "10.200.0.8");
        Type(Editor, "txtIEHttpPort", "3128");
        Control<QPlainTextEdit>(Editor, "txtIENoProxies")->setPlainText("*.branch.lab");

        Set(Editor, "rbFFManual");
        TypeAddress(Editor, "txtFFHttp", "10.200.0.9");
        Type(Editor, "txtFFHttpPort", "8080");

        Set(Editor, "cbFMEnableProxy");
        Choose(Editor, "cobFMProxyType", 1);
        TypeAddress(Editor, "txtFMServer", "10.200.0.10");
        Type(Editor, "txtFMPort", "1080");

        Set(Editor, "cbMSNEnableProxy");
        TypeAddress(Editor, "txtMSNSocks", "10.200.0.11");
        Type(Editor, "txtMSNPort", "1081");

        Set(Editor, "rbICQManual");
        Type(Editor, "txtICQServer", "login.icq.lab");
        Type(Editor, "txtICQPort", "5190");
        Choose(Editor, "cobICQType", 1);
        Type(Editor, "txtICQProxyServer", "10.200.0.12");
        Type(Editor, "txtICQProxyPort", "1082");

        Set(Editor, "cbSkypeEnableProxy");
        Choose(Editor, "cobSkypeProxyType", 2);
        TypeAddress(Editor, "txtSkypeServer", "10.200.0.13");
        Type(Editor, "txtSkypePort", "1083");

        Set(Editor, "cbEMuleEnableProxy");
        Choose(Editor, "cobEMuleProxyType", 1);
        TypeAddress(Editor, "txtEMuleServer", "10.200.0.14");
        Type(Editor, "txtEMulePort", "1084");

        Set(Editor, "cbBCEnableProxy");
        Choose(Editor, "cobBCProxyType", 1);
        TypeAddress(Editor, "txtBCServer", "10.200.0.15");
        Type(Editor, "txtBCPort", "1085");
    }

    // A share of the test's folder and drive X: on the lab's smbd, each through its dialog.
    void FillShareTab(const TFrameLocation &Editor)
    {
        Set(Editor, "cbFSEnable");
        TModalAnswer<TFormFolderShare> ShareDialog([this](TFormFolderShare *Dialog) {
            Type(*Dialog, "txtShareName", "Branch");
            Type(*Dialog, "txtShareFolder", FShared);
            Control<QPushButton>(*Dialog, "btnOk")->click();
        });
        Control<QPushButton>(Editor, "btnAddShare")->click();
        EXPECT_TRUE(ShareDialog.Seen());

        Set(Editor, "cbNMEnable");
        TModalAnswer<TfrmNetMapping> DriveDialog([](TfrmNetMapping *Dialog) {
            auto *Drives = Control<QComboBox>(*Dialog, "cboDriver");
            Drives->setCurrentIndex(Drives->findText("X:"));
            Type(*Dialog, "txtRemoteFolder", R"(\\127.0.0.1\Public)");
            Control<QPushButton>(*Dialog, "btnOk")->click();
        });
        Control<QPushButton>(Editor, "btnAddMount")->click();
        EXPECT_TRUE(DriveDialog.Seen());
    }

    // Picks the location in the tray menu's "Switch to", as the user does; true when the switch
    // ended switched, else Report lists its steps.
    bool SwitchFromTheTray(QString *Report)
    {
        bool Switched = false;
        QObject Listening;
        QObject::connect(FMain.get(), &TFrmMain::SwitchEnded, &Listening,
                         [&](const QString &, bool Ended, const QString &Error, const TSwitchReport &Steps) {
                             Switched = Ended;
                             *Report = Error;
                             for (const TSwitchStep &Step : Steps)
                                 *Report +=
                                     '\n' + Step.Name + ": " + Step.Reason + ' ' + Step.Changes.join("; ");
                         });
        emit FMain->findChild<QMenu *>("pmTray")->aboutToShow();
        for (QAction *Entry : FMain->findChild<QMenu *>("nTSwitchTo")->actions())
            if (Entry->text() == Name)
                Entry->trigger();
        return Switched;
    }

    // The disk shares the peer namespace sees on the client's address.
    static QString SharesSeenByPeer()
    {
        return TLab::RunInPeer({"smbclient", "-N", "-g", "-L", "//" + TLab::Value("STATIC_IP")}).Output;
    }

    QString DesktopProxy() const
    {
        return QString::fromUtf8(
            ReadFile(qEnvironmentVariable("XDG_CONFIG_HOME") + "/glib-2.0/settings/keyfile"));
    }

    QString FProfile;
    std::unique_ptr<TSambaLab> FSamba;
    QString FShared;
    std::unique_ptr<TBoxAnswers> FBoxes;
    std::unique_ptr<TFrmMain> FMain;
};

} // namespace

TEST_F(LocationEditorLab, WhatTheEditorTookIsWhatTheSwitchSets)
{
    TFrameLocation *Editor = AddLocation();
    ASSERT_NE(Editor, nullptr);
    FillLocationTab(*Editor);
    FillProxyTabs(*Editor);
    FillShareTab(*Editor);
    FBoxes->Seen.clear();
    Control<QPushButton>(*Editor, "btnApply")->click();
    ASSERT_EQ(FBoxes->Texts(), QStringList{"Settings successfully saved."});
    ASSERT_FALSE(Editor->IsChanged());

    const auto DefaultPrinter = [] { return TLab::Run({"lpstat", "-d"}).Output.trimmed(); };
    const QString PrinterSwitchedTo = "system default destination: " + Printer;
    ASSERT_NE(DefaultPrinter(), PrinterSwitchedTo);
    QString Report;
    ASSERT_TRUE(SwitchFromTheTray(&Report)) << Report.toStdString();
    EXPECT_EQ(FBoxes->Texts().value(1), "Location switched to [" + Name + "]!")
        << FBoxes->Texts().join('\n').toStdString();
    EXPECT_EQ(FMain->StatusText().section('(', 0, 0), "Current Location: " + Name);

    EXPECT_THAT(NMLab::LinkAddresses().toStdString(),
                HasSubstr(("inet " + TLab::Value("STATIC_IP") + "/24").toStdString()));
    EXPECT_EQ(DefaultPrinter(), PrinterSwitchedTo);
    const std::string Desktop = DesktopProxy().toStdString();
    EXPECT_THAT(Desktop, HasSubstr("mode='manual'"));
    EXPECT_THAT(Desktop, HasSubstr("[system/proxy/http]\nhost='10.200.0.8'\nport=3128"));
    // The protocols left empty in the editor get no server.
    EXPECT_THAT(Desktop, HasSubstr("[system/proxy/https]\nhost=''\nport=0"));
    const std::string Prefs = ReadFile(FProfile + "/prefs.js").toStdString();
    EXPECT_THAT(Prefs, HasSubstr("user_pref(\"network.proxy.type\", 1);"));
    EXPECT_THAT(Prefs, HasSubstr("user_pref(\"network.proxy.http\", \"10.200.0.9\");"));
    EXPECT_THAT(Prefs, HasSubstr("user_pref(\"network.proxy.http_port\", 8080);"));
    EXPECT_THAT(ReadFile(TSkypeProxy::SettingsFile()).toStdString(),
                HasSubstr("<SocksProxy><Addr>10.200.0.13:1083</Addr><Enable>1</Enable></SocksProxy>"));
    EXPECT_THAT(SharesSeenByPeer().toStdString(), HasSubstr("Disk|Branch|"));
    const TLab::TRunResult Listing =
        TLab::RunInPeer({"smbclient", "-N", "//" + TLab::Value("STATIC_IP") + "/Branch", "-c", "ls"});
    EXPECT_THAT(Listing.Output.toStdString(), HasSubstr("branch.txt"));
    EXPECT_EQ(ReadFile(QDir::home().filePath("Drives/X:/hello.txt")), "hello from the public share\n");

    // wayfarelctl reads the data file the window held.
    FMain.reset();
    CloseConnection();
    const TCtlRun Shown = RunCtl({"--data", FRoot.DataFolder(), "show", Name});
    ASSERT_EQ(Shown.Code, 0) << Shown.Err.toStdString();
    const QStringList Lines = Shown.Lines();
    for (const QString &Line : {"Name\t" + Name,
                                "Adapter\t" + NMLab::StandingId("STATIC_UUID"),
                                "Printer\t" + Printer,
                                QString("Current\tyes"),
                                QString("DHCP\tno"),
                                "IP address\t" + TLab::Value("STATIC_IP"),
                                QString("Subnet mask\t255.255.255.0"),
                                "Gateway\t" + TLab::Value("PEER_IP"),
                                "DNS 1\t" + TLab::Value("PEER_IP"),
                                QString("IE proxy HTTP\t10.200.0.8:3128"),
                                QString("IE proxy NO_PROXIES_ON\t*.branch.lab"),
                                QString("Firefox proxy HTTP\t10.200.0.9:8080"),
                                QString("folder shares ENABLE_PROXY\tyes"),
                                QString("network drives ENABLE_PROXY\tyes"),
                                QString("Foxmail proxy PROXY_SERVER\t10.200.0.10"),
                                QString("MSN proxy SOCKET4_PORT\t1081"),
                                QString("ICQ proxy SERVER\tlogin.icq.lab"),
                                QString("ICQ proxy PROXY_SERVER\t10.200.0.12"),
                                QString("Skype proxy PROXY_SERVER\t10.200.0.13"),
                                QString("Skype proxy PROXY_PORT\t1083"),
                                QString("eMule proxy PROXY_SERVER\t10.200.0.14"),
                                QString("BitComet proxy PROXY_PORT\t1085")})
        EXPECT_TRUE(Lines.contains(Line)) << Line.toStdString() << " not in\n" << Shown.Out.toStdString();
    const TCtlRun Shares = RunCtl({"--data", FRoot.DataFolder(), "shares"});
    EXPECT_TRUE(Shares.Lines().contains("Branch\t" + FShared + "\t")) << Shares.Out.toStdString();
}
