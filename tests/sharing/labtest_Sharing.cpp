// Folder shares and network drives proven over the wire. smbd in the lab's client namespace
// serves the shares a switch with wayfarelctl makes, and another computer (the lab's peer
// namespace) sees them with smbclient; the drives a switch maps are GVFS mounts of that smbd
// whose files the session reads through the drive links.
#include "adapters/IpAddress.h"
#include "app/DBManager.h"
#include "app/IdGen.h"
#include "locations/Location.h"
#include "platform/QtPrint.h"
#include "platform/desktop/Autostart.h"
#include "platform/sharing/NetworkMounts.h"
#include "platform/sharing/UserShares.h"
#include "sharing/FolderShare.h"
#include "sharing/NetMapping.h"
#include "support/CtlRun.h"
#include "support/Lab.h"
#include "support/SambaLab.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gmock/gmock.h>

namespace {

const TModuleTable NoModules;
// The shares and drives no location defines.
const QString Public = QStringLiteral("Public");
const QString Private = QStringLiteral("Private");

struct TShareRow
{
    QString Name;
    QString Folder;
};

struct TDriveRow
{
    TDriveRow(const QString &Drive, const QString &Remote, const QString &User = {},
              const QString &Password = {}, bool AutoConnect = false)
        : Drive(Drive), Remote(Remote), User(User), Password(Password), AutoConnect(AutoConnect)
    {}

    QString Drive;
    QString Remote;
    QString User;
    QString Password;
    bool AutoConnect;
};

class SharingLab : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (!TLab::IsUp())
            return;
        FRoot = new TTestRoot;
        // The program's shares are served on the address the locations give the client's link.
        const bool LinkUp =
            TLab::Run({"nmcli", "connection", "up", TLab::Value("STATIC_PROFILE")}).ExitCode == 0;
        FSamba = new TSambaLab(FRoot->Path() + "/samba", {"127.0.0.1", TLab::Value("STATIC_IP")});
        FReady = LinkUp && FSamba->Start() && AddServerShares();
    }
    static void TearDownTestSuite()
    {
        delete FSamba;
        FSamba = nullptr;
        if (TLab::IsUp())
            TLab::Run({"nmcli", "connection", "down", TLab::Value("STATIC_PROFILE")});
        delete FRoot;
        FRoot = nullptr;
    }
    void SetUp() override
    {
        WAYFAREL_REQUIRE_LAB_UP();
        ASSERT_TRUE(FReady) << "the lab's smbd or GVFS did not start: " << FSamba->Error().toStdString();
    }

    // Public for guests, Private for the Samba user only: shares of the server no location defines.
    static bool AddServerShares()
    {
        TNetUserShares Shares;
        return Shares.Add(Public,
                          FSamba->MakeFolder("public", {{"hello.txt", "hello from the public share\n"}}),
                          "") &&
               RunWithInput("net", {"usershare", "add", "--", Private,
                                    FSamba->MakeFolder("private", {{"secret.txt", "only with a password\n"}}),
                                    "", "S-1-1-0:F", "guest_ok=n"}) == 0;
    }

    // A location on the lab's static profile with its shares and drives, and the switches of the
    // two modules.
    static void StoreLocation(const QString &Id, const QString &Name, const QList<TShareRow> &Shares,
                              bool SharesOn, const QList<TDriveRow> &Drives, bool DrivesOn)
    {
        InitConnectionString(FRoot->DataFolder());
        SetLocationConnection(GetConnection());
        TLocation Location(Id, NoModules);
        Location.SetLocName(Name);
        Location.SetNetId("{" + TLab::Value("STATIC_UUID").toUpper() + "}");
        Location.Save();
        TIPAddress &Ip = *Location.IpAddress();
        Ip.SetIPAddr(TLab::Value("STATIC_IP"));
        Ip.SetSubnetMask("255.255.255.0");
        Ip.SetGateWay(TLab::Value("PEER_IP"));
        Ip.SetMainDNS(TLab::Value("PEER_IP"));
        EXPECT_TRUE(Ip.Save()) << Ip.LastError().toStdString();
        for (const TShareRow &Row : Shares) {
            TFolderShare Share(GenerateId(32));
            Share.SetLocId(Id);
            Share.SetShareName(Row.Name);
            Share.SetShareFolder(Row.Folder);
            Share.SetShareType(1);
            EXPECT_TRUE(Share.Save());
        }
        for (const TDriveRow &Row : Drives) {
            TNetMapping Mapping(GenerateId(32));
            Mapping.SetLocId(Id);
            Mapping.SetDriver(Row.Drive);
            Mapping.SetRemoteFolder(Row.Remote);
            Mapping.SetUserName(Row.User);
            Mapping.SetPassword(Row.Password);
            Mapping.SetAutoConnect(Row.AutoConnect);
            EXPECT_TRUE(Mapping.Save());
        }
        const auto ShareModule = TCustomProxy::Create<TFolderShareProxy>(Id);
        ShareModule->SetEnableProxy(SharesOn);
        EXPECT_TRUE(ShareModule->Save());
        const auto DriveModule = TCustomProxy::Create<TNetMappingProxy>(Id);
        DriveModule->SetEnableProxy(DrivesOn);
        EXPECT_TRUE(DriveModule->Save());
        CloseConnection();
    }

    static TCtlRun Ctl(const QStringList &Args)
    {
        return RunCtl(QStringList{"--data", FRoot->DataFolder()} + Args);
    }

    static TCtlRun Switch(const QString &Name)
    {
        const TCtlRun Run = Ctl({"--verbose", "switch", Name});
        EXPECT_EQ(Run.Code, 0) << Run.Err.toStdString();
        return Run;
    }

    // The disk shares the peer namespace sees on the client's address.
    static QStringList SharesSeenByPeer()
    {
        const TLab::TRunResult Run =
            TLab::RunInPeer({"smbclient", "-N", "-g", "-L", "//" + TLab::Value("STATIC_IP")});
        QStringList Names;
        for (const QString &Line : Run.Output.split('\n'))
            if (Line.startsWith("Disk|"))
                Names.append(Line.section('|', 1, 1));
        Names.sort();
        return Names;
    }

    static TLab::TRunResult ListInPeer(const QString &Share)
    {
        return TLab::RunInPeer(
            {"smbclient", "-N", "//" + TLab::Value("STATIC_IP") + "/" + Share, "-c", "ls"});
    }

    static QString DriveLink(const QString &Drive) { return QDir::home().filePath("Drives/" + Drive); }

    static QString ReadText(const QString &FileName)
    {
        QFile File(FileName);
        return File.open(QIODevice::ReadOnly) ? QString::fromUtf8(File.readAll())
                                              : QStringLiteral("(unreadable)");
    }

    static QStringList SmbMounts()
    {
        QList<TNetworkMount> Listed;
        TGioNetworkMounts Mounts;
        EXPECT_TRUE(Mounts.List(Listed)) << Mounts.LastError().toStdString();
        QStringList Uris;
        for (const TNetworkMount &Mount : std::as_const(Listed))
            Uris.append(Mount.Uri);
        Uris.sort();
        return Uris;
    }

    static inline TTestRoot *FRoot = nullptr;
    static inline TSambaLab *FSamba = nullptr;
    static inline bool FReady = false;
};

} // namespace

TEST_F(SharingLab, AnotherComputerSeesTheSharesOfTheLocationSwitchedTo)
{
    const QString S1 = FSamba->MakeFolder("s1");
    const QString S2 = FSamba->MakeFolder("s2");
    const QString S3 = FSamba->MakeFolder("s3", {{"known-file.txt", "seen from the peer\n"}});
    StoreLocation("SHARESA0000000000000000000000000", "Shares A", {{"S1", S1}, {"S2", S2}}, true, {}, false);
    StoreLocation("SHARESB0000000000000000000000000", "Shares B", {{"S3", S3}}, true, {}, false);
    StoreLocation("SHARESOFF00000000000000000000000", "Shares off", {{"S9", S1}}, false, {}, false);
    const QStringList ProgramShares{"S1", "S2", "S3", "S9"};
    const auto ProgramSharesSeen = [&] {
        QStringList Seen = SharesSeenByPeer();
        Seen.removeIf([&](const QString &Name) { return !ProgramShares.contains(Name); });
        return Seen;
    };

    Switch("Shares A");
    EXPECT_EQ(ProgramSharesSeen(), (QStringList{"S1", "S2"}));

    const TCtlRun ToB = Switch("Shares B");
    EXPECT_THAT(
        ToB.Err.toStdString(),
        testing::HasSubstr("folder shares: done (share \"S1\" removed; share \"S2\" removed; share \"S3\""));
    EXPECT_EQ(ProgramSharesSeen(), QStringList{"S3"});
    EXPECT_TRUE(SharesSeenByPeer().contains(Public)) << "a share no location defines is untouched";
    const TLab::TRunResult Listing = ListInPeer("S3");
    EXPECT_EQ(Listing.ExitCode, 0) << Listing.Output.toStdString();
    EXPECT_TRUE(Listing.Output.contains("known-file.txt")) << Listing.Output.toStdString();
    EXPECT_TRUE(ListInPeer("S1").Output.contains("NT_STATUS_BAD_NETWORK_NAME"));

    Switch("Shares A");
    EXPECT_EQ(ProgramSharesSeen(), (QStringList{"S1", "S2"}));

    const TCtlRun Off = Switch("Shares off");
    EXPECT_THAT(Off.Err.toStdString(), testing::HasSubstr("folder shares: skipped: switched off"));
    EXPECT_EQ(ProgramSharesSeen(), (QStringList{"S1", "S2"}));

    const TCtlRun Listed = Ctl({"shares"});
    EXPECT_EQ(Listed.Code, 0) << Listed.Err.toStdString();
    EXPECT_TRUE(Listed.Lines().contains("S1\t" + S1 + "\t")) << Listed.Out.toStdString();
    EXPECT_TRUE(Listed.Lines().contains("S2\t" + S2 + "\t")) << Listed.Out.toStdString();
}

TEST_F(SharingLab, DrivesAreMountedReadThroughTheirLinksAndUnmountedOnSwitchingAway)
{
    const QString Server = R"(\\127.0.0.1\)";
    StoreLocation("DRIVESA0000000000000000000000000", "Drives", {}, false,
                  {{"X:", Server + Public}, {"Y:", Server + Private, "root", TSambaLab::Password, true}},
                  true);
    StoreLocation("DRIVESN0000000000000000000000000", "No drives", {}, false, {}, true);
    StoreLocation("DRIVESW0000000000000000000000000", "Wrong password", {}, false,
                  {{"W:", Server + Private, "root", "not-the-password"},
                   {"U:", R"(\\127.0.0.3\Public)"},
                   {"V:", Server + Public}},
                  true);

    const TCtlRun ToDrives = Switch("Drives");
    EXPECT_THAT(ToDrives.Err.toStdString(),
                testing::HasSubstr(R"(drive X: connected to \\127.0.0.1\Public)"));
    EXPECT_EQ(ReadText(DriveLink("X:") + "/hello.txt"), "hello from the public share\n");
    EXPECT_EQ(ReadText(DriveLink("Y:") + "/secret.txt"), "only with a password\n");
    const TCtlRun Drives = Ctl({"drives"});
    EXPECT_EQ(Drives.Code, 0) << Drives.Err.toStdString();
    const auto Listed = [&](const QString &Drive) {
        const QStringList Lines = Drives.Lines().filter(QRegularExpression("^" + Drive + "\t"));
        return Lines.isEmpty() ? QString() : Lines.first();
    };
    // GVFS names shares in lower case; only the restore list keeps the spelling.
    EXPECT_TRUE(Listed("X:").startsWith(R"(X:	\\127.0.0.1\public	)")) << Drives.Out.toStdString();
    EXPECT_TRUE(Listed("X:").endsWith("\tno")) << Drives.Out.toStdString();
    EXPECT_TRUE(Listed("Y:").startsWith(R"(Y:	\\127.0.0.1\Private	)")) << Drives.Out.toStdString();
    EXPECT_TRUE(Listed("Y:").endsWith("\tyes")) << "restored at logon";

    // An open file does not keep a drive.
    QFile Open(DriveLink("X:") + "/hello.txt");
    ASSERT_TRUE(Open.open(QIODevice::ReadOnly));
    const TCtlRun Away = Switch("No drives");
    EXPECT_THAT(Away.Err.toStdString(), testing::HasSubstr("drive X: disconnected; drive Y: disconnected"));
    EXPECT_FALSE(QFileInfo(DriveLink("X:")).isSymLink());
    EXPECT_FALSE(QFileInfo(DriveLink("Y:")).isSymLink());
    EXPECT_TRUE(SmbMounts().isEmpty()) << SmbMounts().join(' ').toStdString();
    Open.close();

    const int Refusals = FSamba->LogCount("NT_STATUS_WRONG_PASSWORD");
    const TCtlRun Wrong = Switch("Wrong password");
    EXPECT_THAT(Wrong.Err.toStdString(),
                testing::HasSubstr(R"(drive W: not connected to \\127.0.0.1\Private: Cannot mount )"
                                   "smb://127.0.0.1/Private: the server refused the user name or password"));
    EXPECT_THAT(Wrong.Err.toStdString(),
                testing::HasSubstr("wayfarelctl: warning: network drives: drive W:"));
    EXPECT_THAT(Wrong.Err.toStdString(),
                testing::HasSubstr(R"(drive U: not connected to \\127.0.0.3\Public: Cannot mount )"
                                   "smb://127.0.0.3/Public: the server cannot be reached"));
    EXPECT_EQ(FSamba->LogCount("NT_STATUS_WRONG_PASSWORD") - Refusals, 1) << "a wrong password is tried once";
    EXPECT_EQ(ReadText(DriveLink("V:") + "/hello.txt"), "hello from the public share\n");
}

TEST_F(SharingLab, ImportGivesBackTheDrivesAndTheSessionRestoresThemAtLogon)
{
    const QString Server = R"(\\127.0.0.1\)";
    StoreLocation("RESTOREA000000000000000000000000", "Restored", {}, false,
                  {{"R:", Server + Public}, {"S:", Server + Private, "root", TSambaLab::Password, true}},
                  true);
    Switch("Restored");
    EXPECT_THAT(ReadText(AutostartEntryPath("wayfarel-drives")).toStdString(),
                testing::HasSubstr("wayfarelctl drives --restore\n"));

    const TCtlRun Import = Ctl({"import", "Imported", TLab::Value("STATIC_PROFILE")});
    ASSERT_EQ(Import.Code, 0) << Import.Err.toStdString();
    InitConnectionString(FRoot->DataFolder());
    SetLocationConnection(GetConnection());
    QStringList Imported;
    for (const auto &Mapping : TNetMappingList(Import.Out.section('\t', 0, 0), true))
        Imported.append(Mapping->Driver() + ' ' + Mapping->RemoteFolder() +
                        (Mapping->AutoConnect() ? " restored" : ""));
    CloseConnection();
    Imported.sort();
    EXPECT_EQ(Imported, (QStringList{R"(R: \\127.0.0.1\public)", R"(S: \\127.0.0.1\Private restored)"}));

    // Logging out takes the mounts; the links stay for the next session.
    TGioNetworkMounts Mounts;
    for (const QString &Uri : SmbMounts())
        ASSERT_TRUE(Mounts.Unmount(Uri, true)) << Mounts.LastError().toStdString();
    const TCtlRun Restore = Ctl({"drives", "--restore"});
    EXPECT_EQ(Restore.Code, 0) << Restore.Err.toStdString();
    EXPECT_EQ(Restore.Out, "S:\n");
    EXPECT_EQ(ReadText(DriveLink("S:") + "/secret.txt"), "only with a password\n");
}
