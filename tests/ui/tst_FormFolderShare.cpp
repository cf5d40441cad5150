#include "app/DBManager.h"
#include "sharing/FolderShare.h"
#include "support/BoxAnswers.h"
#include "support/DataWorld.h"
#include "support/ModalAnswer.h"
#include "ui/dialogs/FormFolderShare.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

namespace {

const QString OfficeId = QStringLiteral("FOLDERSHAREOFFICE000000000000001");
const QString HomeId = QStringLiteral("FOLDERSHAREHOME00000000000000001");
const QString DocsId = QStringLiteral("FOLDERSHAREDOCS00000000000000001");
const QString MediaId = QStringLiteral("FOLDERSHAREMEDIA0000000000000001");

QStringList ShareIds(const QString &LocId) { return DefinitionIds(TFolderShare::Table, LocId, true); }

} // namespace

class TestFormFolderShare : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void OpensTheStoredRecord();
    void RefusesInOrderAndStaysOpen_data();
    void RefusesInOrderAndStaysOpen();
    void StoresWhatPasses_data();
    void StoresWhatPasses();
    void AFailedStoreKeepsTheDialogOpen();
    void BrowsePutsTheChosenFolder();

private:
    // Name's folder in the test root; a blank name stays as it is.
    QString Folder(const QString &Name) const
    {
        return Name.trimmed().isEmpty() ? Name : QDir(FRoot->Path()).filePath(Name);
    }
    void MakeShare(const QString &Id, const QString &LocId, const QString &Name, const QString &Path);
    // Shows the dialog, types Name and Path and presses OK.
    void Submit(TFormFolderShare &Dialog, const QString &Name, const QString &Path);

    std::unique_ptr<TDataWorld> FRoot;
    std::unique_ptr<TBoxAnswers> FBoxes;
};

void TestFormFolderShare::init()
{
    FRoot = std::make_unique<TDataWorld>();
    for (const char *Name : {"docs", "media", "pics", "pics ", "plain"})
        QVERIFY(QDir().mkpath(Folder(Name)));
    QFile File(Folder("file"));
    QVERIFY(File.open(QIODevice::WriteOnly));
    MakeShare(DocsId, OfficeId, "Docs", Folder("docs"));
    MakeShare(MediaId, HomeId, "Media", Folder("media"));
    FBoxes = std::make_unique<TBoxAnswers>();
}

void TestFormFolderShare::cleanup()
{
    FBoxes.reset();
    FRoot.reset();
}

void TestFormFolderShare::MakeShare(const QString &Id, const QString &LocId, const QString &Name,
                                    const QString &Path)
{
    TFolderShare Share(Id);
    Share.SetLocId(LocId);
    Share.SetShareName(Name);
    Share.SetShareFolder(Path);
    Share.SetDescription("stored");
    QVERIFY(Share.Save());
}

void TestFormFolderShare::Submit(TFormFolderShare &Dialog, const QString &Name, const QString &Path)
{
    Dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&Dialog));
    Dialog.findChild<QLineEdit *>("txtShareName")->setText(Name);
    Dialog.findChild<QLineEdit *>("txtShareFolder")->setText(Path);
    Dialog.findChild<QPushButton *>("btnOk")->click();
}

void TestFormFolderShare::OpensTheStoredRecord()
{
    QWidget Owner;
    Owner.setFont(QFont("Serif", 17));
    TFormFolderShare Dialog(&Owner, OfficeId, DocsId);
    QCOMPARE(Dialog.windowTitle(), QString("Select folder to share"));
    QCOMPARE(Dialog.font().pointSize(), 17);
    QCOMPARE(Dialog.findChild<QLabel *>("lblShareName")->text(), QString("Share name:"));
    QCOMPARE(Dialog.findChild<QPushButton *>("btnBrowser")->text(), QString("Browser"));
    QCOMPARE(Dialog.Id(), DocsId);
    QCOMPARE(Dialog.ShareNameText(), QString("Docs"));
    QCOMPARE(Dialog.ShareFolderText(), Folder("docs"));
    QCOMPARE(Dialog.findChild<QLineEdit *>("txtShareRemark")->text(), QString("stored"));

    TFormFolderShare Fresh(nullptr, OfficeId, QString());
    QCOMPARE(Fresh.Id().size(), 32);
    QVERIFY(Fresh.Id() != DocsId);
    QCOMPARE(Fresh.ShareNameText(), QString());
}

void TestFormFolderShare::RefusesInOrderAndStaysOpen_data()
{
    QTest::addColumn<QString>("Name");
    // A folder of the test root.
    QTest::addColumn<QString>("Path");
    QTest::addColumn<QString>("Message");
    QTest::addColumn<QString>("Focus");
    const QString Name = "txtShareName";
    const QString Path = "txtShareFolder";
    QTest::newRow("blank name before anything else") << "  "
                                                     << ""
                                                     << "'Share name' can not be NULL!" << Name;
    QTest::newRow("name of another share in other case and blanks")
        << " dOCS "
        << ""
        << "Duplicate ' dOCS ' for 'Share name'!" << Name;
    QTest::newRow("blank folder") << "Pics"
                                  << "   "
                                  << "'Folder' can not be NULL!" << Path;
    QTest::newRow("missing folder") << "Pics"
                                    << "nothing"
                                    << "Folder does not exists!" << Path;
    QTest::newRow("a file, not a folder") << "Pics"
                                          << "file"
                                          << "Folder does not exists!" << Path;
    QTest::newRow("trailing blank tested as typed") << "Pics"
                                                    << "plain "
                                                    << "Folder does not exists!" << Path;
    QTest::newRow("folder shared by the location already") << "Pics"
                                                           << "docs"
                                                           << "Folder already shared!" << Path;
}

void TestFormFolderShare::RefusesInOrderAndStaysOpen()
{
    QFETCH(QString, Name);
    QFETCH(QString, Path);
    QFETCH(QString, Message);
    QFETCH(QString, Focus);
    TFormFolderShare Dialog(nullptr, OfficeId, QString());
    Submit(Dialog, Name, Folder(Path));
    QCOMPARE(FBoxes->Texts(), QStringList{Message});
    QCOMPARE(FBoxes->Seen.at(0).Caption, QString("Error"));
    QCOMPARE(FBoxes->Seen.at(0).Icon, TMsgIcon::Error);
    QVERIFY(Dialog.isVisible());
    QCOMPARE(QApplication::focusWidget()->objectName(), Focus);
    QCOMPARE(Dialog.findChild<QLineEdit *>("txtShareName")->text(), Name);
    QCOMPARE(ShareIds(OfficeId), QStringList{DocsId});
}

void TestFormFolderShare::StoresWhatPasses_data()
{
    QTest::addColumn<QString>("Id");
    QTest::addColumn<QString>("Name");
    // A folder of the test root.
    QTest::addColumn<QString>("Path");
    QTest::newRow("the record is not its own duplicate") << DocsId << " DOCS"
                                                         << "docs";
    QTest::newRow("a folder another location shares") << QString() << "Media"
                                                      << "media";
    QTest::newRow("trailing blank stored as typed") << QString() << "Pics "
                                                    << "pics ";
}

void TestFormFolderShare::StoresWhatPasses()
{
    QFETCH(QString, Id);
    QFETCH(QString, Name);
    QFETCH(QString, Path);
    TFormFolderShare Dialog(nullptr, OfficeId, Id);
    Dialog.findChild<QLineEdit *>("txtShareRemark")->setText("typed");
    Submit(Dialog, Name, Folder(Path));
    QCOMPARE(FBoxes->Texts(), QStringList());
    QCOMPARE(Dialog.result(), int(QDialog::Accepted));
    QVERIFY(!Dialog.isVisible());

    const TFolderShare Stored(Dialog.Id());
    QCOMPARE(Stored.LocId(), OfficeId);
    QCOMPARE(Stored.ShareName(), Name);
    QCOMPARE(Stored.ShareFolder(), Folder(Path));
    QCOMPARE(Stored.Description(), QString("typed"));
    QCOMPARE(Stored.ShareType(), 1);
    QCOMPARE(ShareIds(OfficeId).size(), Id.isEmpty() ? 2 : 1);
}

void TestFormFolderShare::AFailedStoreKeepsTheDialogOpen()
{
    TFormFolderShare Dialog(nullptr, OfficeId, QString());
    QSqlQuery(GetConnection()).exec("DROP TABLE FOLDER_SHARE");
    Submit(Dialog, "Pics", Folder("pics"));
    QCOMPARE(FBoxes->Texts(), QStringList{"Save Settings failed!"});
    QVERIFY(Dialog.isVisible());
}

void TestFormFolderShare::BrowsePutsTheChosenFolder()
{
    TFormFolderShare Dialog(nullptr, OfficeId, DocsId);
    TModalAnswer<QFileDialog> Chosen([this](QFileDialog *Picker) {
        QCOMPARE(Picker->windowTitle(), QString("Select folder..."));
        Picker->setDirectory(Folder("pics"));
        static_cast<QDialog *>(Picker)->accept();
    });
    Dialog.findChild<QPushButton *>("btnBrowser")->click();
    QVERIFY(Chosen.Seen());
    QCOMPARE(Dialog.ShareFolderText(), Folder("pics"));

    TModalAnswer<QFileDialog> Cancelled([](QFileDialog *Picker) { Picker->reject(); });
    Dialog.findChild<QPushButton *>("btnBrowser")->click();
    QVERIFY(Cancelled.Seen());
    QCOMPARE(Dialog.ShareFolderText(), Folder("pics"));
}

QTEST_MAIN(TestFormFolderShare)
#include "tst_FormFolderShare.moc"
