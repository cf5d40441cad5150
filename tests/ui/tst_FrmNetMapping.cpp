#include "app/DBManager.h"
#include "sharing/NetMapping.h"
#include "support/BoxAnswers.h"
#include "support/DataWorld.h"
#include "support/ModalAnswer.h"
#include "ui/dialogs/FrmNetMapping.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

namespace {

const QString OfficeId = QStringLiteral("NETMAPPINGOFFICE0000000000000001");
const QString StoredId = QStringLiteral("NETMAPPINGSTORED0000000000000001");
const QString Letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");

// Drive links of the session for each of Taken ("CDZ"); a link that points nowhere counts too.
void TakeDrives(const QString &Taken)
{
    const QDir Drives(QDir::home().filePath("Drives"));
    QVERIFY(Drives.mkpath("."));
    for (const QChar Letter : Taken)
        QVERIFY(QFile::link("/nonexistent", Drives.filePath(QString(Letter) + ':')));
}

QStringList Entries(const QComboBox *Box)
{
    QStringList Result;
    for (int Index = 0; Index < Box->count(); ++Index)
        Result.append(Box->itemText(Index));
    return Result;
}

QStringList DrivesBut(const QString &Taken)
{
    QStringList Result;
    for (const QChar Letter : Letters)
        if (!Taken.contains(Letter))
            Result.append(QString(Letter) + ':');
    return Result;
}

} // namespace

class TestFrmNetMapping : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void OffersTheLettersWithoutLink_data();
    void OffersTheLettersWithoutLink();
    void OpensTheStoredRecord();
    void StoresTheChoiceAsTyped_data();
    void StoresTheChoiceAsTyped();
    void ABlankFolderIsRefused();
    void AFailedStoreKeepsTheDialogOpen();
    void BrowseTakesOnlyAFolderOfANetworkShare_data();
    void BrowseTakesOnlyAFolderOfANetworkShare();

private:
    std::unique_ptr<TDataWorld> FRoot;
    std::unique_ptr<TBoxAnswers> FBoxes;
};

void TestFrmNetMapping::init()
{
    FRoot = std::make_unique<TDataWorld>();
    TNetMapping Stored(StoredId);
    Stored.SetLocId(OfficeId);
    Stored.SetDriver("E:");
    Stored.SetRemoteFolder(R"(\\nas\docs)");
    Stored.SetUserName("me");
    Stored.SetPassword("secret");
    Stored.SetAutoConnect(true);
    QVERIFY(Stored.Save());
    FBoxes = std::make_unique<TBoxAnswers>();
}

void TestFrmNetMapping::cleanup()
{
    FBoxes.reset();
    FRoot.reset();
}

void TestFrmNetMapping::OffersTheLettersWithoutLink_data()
{
    QTest::addColumn<QString>("Taken");
    QTest::addColumn<QString>("Id");
    QTest::addColumn<QString>("Shown");
    QTest::newRow("new drive, no links") << "" << QString() << "A:";
    QTest::newRow("new drive, some links") << "ACZ" << QString() << "B:";
    QTest::newRow("stored letter free") << "AC" << StoredId << "E:";
    QTest::newRow("stored letter in use shows the first free") << "AE" << StoredId << "B:";
    QTest::newRow("every letter in use") << Letters << StoredId << "";
}

void TestFrmNetMapping::OffersTheLettersWithoutLink()
{
    QFETCH(QString, Taken);
    QFETCH(QString, Id);
    QFETCH(QString, Shown);
    TakeDrives(Taken);
    TfrmNetMapping Dialog(nullptr, OfficeId, Id);
    const auto *Drives = Dialog.findChild<QComboBox *>("cboDriver");
    QCOMPARE(Entries(Drives), DrivesBut(Taken));
    QCOMPARE(Dialog.DriverText(), Shown);
}

void TestFrmNetMapping::OpensTheStoredRecord()
{
    QWidget Owner;
    Owner.setFont(QFont("Serif", 17));
    TfrmNetMapping Dialog(&Owner, OfficeId, StoredId);
    QCOMPARE(Dialog.windowTitle(), QString("Map Network Drive"));
    QCOMPARE(Dialog.font().pointSize(), 17);
    QCOMPARE(Dialog.findChild<QLabel *>("lblDriver")->text(), QString("Drive:"));
    QCOMPARE(Dialog.findChild<QCheckBox *>("cbReConnect")->text(), QString("Reconnect at logon"));
    QCOMPARE(Dialog.Id(), StoredId);
    QCOMPARE(Dialog.RemoteFolderText(), QString(R"(\\nas\docs)"));
    QCOMPARE(Dialog.findChild<QLineEdit *>("txtUser")->text(), QString("me"));
    const auto *Password = Dialog.findChild<QLineEdit *>("txtPWD");
    QCOMPARE(Password->text(), QString("secret"));
    QCOMPARE(Password->echoMode(), QLineEdit::Password);
    QVERIFY(Dialog.findChild<QCheckBox *>("cbReConnect")->isChecked());

    TfrmNetMapping Fresh(nullptr, OfficeId, QString());
    QCOMPARE(Fresh.Id().size(), 32);
    QVERIFY(Fresh.Id() != StoredId);
    QCOMPARE(Fresh.RemoteFolderText(), QString());
}

void TestFrmNetMapping::StoresTheChoiceAsTyped_data()
{
    QTest::addColumn<QString>("Taken");
    QTest::addColumn<QString>("Id");
    QTest::addColumn<QString>("Driver");
    QTest::newRow("new drive beside the stored one, same letter and folder") << "ABCD" << QString() << "E:";
    QTest::newRow("stored letter in use: the first free one") << "AE" << StoredId << "B:";
    QTest::newRow("every letter in use: no drive") << Letters << QString() << "";
}

void TestFrmNetMapping::StoresTheChoiceAsTyped()
{
    QFETCH(QString, Taken);
    QFETCH(QString, Id);
    QFETCH(QString, Driver);
    TakeDrives(Taken);
    TfrmNetMapping Dialog(nullptr, OfficeId, Id);
    Dialog.findChild<QLineEdit *>("txtRemoteFolder")->setText(R"(\\nas\docs )");
    Dialog.findChild<QLineEdit *>("txtUser")->setText("you");
    Dialog.findChild<QLineEdit *>("txtPWD")->setText("");
    Dialog.findChild<QCheckBox *>("cbReConnect")->setChecked(false);
    Dialog.findChild<QPushButton *>("btnOk")->click();
    QCOMPARE(FBoxes->Texts(), QStringList());
    QCOMPARE(Dialog.result(), int(QDialog::Accepted));

    const TNetMapping Stored(Dialog.Id());
    QCOMPARE(Stored.LocId(), OfficeId);
    QCOMPARE(Stored.Driver(), Driver);
    QCOMPARE(Stored.RemoteFolder(), QString(R"(\\nas\docs )"));
    QCOMPARE(Stored.UserName(), QString("you"));
    QCOMPARE(Stored.Password(), QString());
    QVERIFY(!Stored.AutoConnect());
    QCOMPARE(DefinitionIds(TNetMapping::Table, OfficeId, true).size(), Id.isEmpty() ? 2 : 1);
}

void TestFrmNetMapping::ABlankFolderIsRefused()
{
    TfrmNetMapping Dialog(nullptr, OfficeId, StoredId);
    Dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&Dialog));
    auto *Folder = Dialog.findChild<QLineEdit *>("txtRemoteFolder");
    Folder->setText("   ");
    Dialog.findChild<QCheckBox *>("cbReConnect")->setFocus();
    Dialog.findChild<QPushButton *>("btnOk")->click();
    QCOMPARE(FBoxes->Texts(), QStringList{"'Folder' can not be NULL!"});
    QCOMPARE(FBoxes->Seen.at(0).Caption, QString("Error"));
    QCOMPARE(FBoxes->Seen.at(0).Icon, TMsgIcon::Error);
    QVERIFY(Dialog.isVisible());
    QVERIFY(Folder->hasFocus());
    QCOMPARE(TNetMapping(StoredId).RemoteFolder(), QString(R"(\\nas\docs)"));
}

void TestFrmNetMapping::AFailedStoreKeepsTheDialogOpen()
{
    TfrmNetMapping Dialog(nullptr, OfficeId, QString());
    Dialog.show();
    QSqlQuery(GetConnection()).exec("DROP TABLE NET_MAPPING");
    Dialog.findChild<QLineEdit *>("txtRemoteFolder")->setText(R"(\\nas\docs)");
    Dialog.findChild<QPushButton *>("btnOk")->click();
    QCOMPARE(FBoxes->Texts(), QStringList{"Save Settings failed!"});
    QVERIFY(Dialog.isVisible());
}

// The folders are reached through drive links: the picker is driven by path, and Qt's picker
// cannot be sent by path into a folder named like a GVFS mount.
void TestFrmNetMapping::BrowseTakesOnlyAFolderOfANetworkShare_data()
{
    QTest::addColumn<QString>("Chosen");
    QTest::addColumn<QString>("Folder");
    QTest::newRow("a share") << "P:"
                             << R"(\\10.0.0.5\Team Docs)";
    QTest::newRow("a folder in a share") << "P:/sub dir"
                                         << R"(\\10.0.0.5\Team Docs\sub dir)";
    QTest::newRow("another kind of mount") << "S:"
                                           << R"(\\old\folder)";
    QTest::newRow("a local folder") << "L:"
                                    << R"(\\old\folder)";
}

void TestFrmNetMapping::BrowseTakesOnlyAFolderOfANetworkShare()
{
    QFETCH(QString, Chosen);
    QFETCH(QString, Folder);
    const QDir Root(FRoot->Path());
    const QDir Gvfs(Root.filePath("runtime/gvfs"));
    const QDir Drives(Root.filePath("home/Drives"));
    const QString Smb = "smb-share:server=10.0.0.5,share=Team%20Docs,user=me";
    const QString Sftp = "sftp:host=nas,user=me";
    QVERIFY(Gvfs.mkpath(Smb + "/sub dir") && Gvfs.mkpath(Sftp) && Drives.mkpath("."));
    QVERIFY(QFile::link(Gvfs.filePath(Smb), Drives.filePath("P:")));
    QVERIFY(QFile::link(Gvfs.filePath(Sftp), Drives.filePath("S:")));
    QVERIFY(QFile::link(Root.filePath("home"), Drives.filePath("L:")));

    TfrmNetMapping Dialog(nullptr, OfficeId, QString());
    Dialog.findChild<QLineEdit *>("txtRemoteFolder")->setText(R"(\\old\folder)");
    QString Start;
    TModalAnswer<QFileDialog> Answer([&](QFileDialog *Picker) {
        QCOMPARE(Picker->windowTitle(), QString("Select a shared network folder!"));
        Start = Picker->directory().absolutePath();
        Picker->setDirectory(Drives.filePath(Chosen));
        static_cast<QDialog *>(Picker)->accept();
    });
    Dialog.findChild<QPushButton *>("btnBrowser")->click();
    QVERIFY(Answer.Seen());
    QCOMPARE(Start, Gvfs.absolutePath());
    QCOMPARE(Dialog.RemoteFolderText(), Folder);
}

QTEST_MAIN(TestFrmNetMapping)
#include "tst_FrmNetMapping.moc"
