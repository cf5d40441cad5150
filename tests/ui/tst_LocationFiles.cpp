// "Export locations..." and "Import locations from file..." of the main window's Location menu.
#include "adapters/NetMgr.h"
#include "app/DBManager.h"
#include "app/IdGen.h"
#include "app/Startup.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "support/BoxAnswers.h"
#include "support/FakeNetwork.h"
#include "support/TestRoot.h"
#include "support/WindowWorld.h"
#include "ui/FormMain.h"
#include "ui/dialogs/LocationFiles.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QSqlQuery>
#include <QTreeWidget>
#include <QtTest>

class TestLocationFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void ExportWritesTheChosenFileWithPasswordsOnlyWhenTicked_data();
    void ExportWritesTheChosenFileWithPasswordsOnlyWhenTicked();
    void ImportAsksAboutConflictsAndShowsTheResultInTheTree_data();
    void ImportAsksAboutConflictsAndShowsTheResultInTheTree();
    void ARefusedFileSaysWhereAndChangesNothing();

private:
    TFrmMain &Form();
    // Every file dialog answers Choice.
    void Choose(const TFileChoice &Choice);
    QStringList TreeNames() const;
    QString Store(const QString &Name);
    QString FilePath() const { return FWorld->Root().Path() + "/locations.json"; }

    std::unique_ptr<TWindowWorld> FWorld;
    std::unique_ptr<TFrmMain> FForm;
};

void TestLocationFiles::init() { FWorld = std::make_unique<TWindowWorld>(); }

void TestLocationFiles::cleanup()
{
    SetLocationFileDialog({});
    FForm.reset();
    FWorld.reset();
}

TFrmMain &TestLocationFiles::Form()
{
    FForm = std::make_unique<TFrmMain>();
    FForm->ShowStartInterface({}, duMainUI);
    return *FForm;
}

void TestLocationFiles::Choose(const TFileChoice &Choice)
{
    SetLocationFileDialog([Choice](QWidget *, bool) { return Choice; });
}

QStringList TestLocationFiles::TreeNames() const
{
    const QTreeWidgetItem *Locations =
        FForm->findChild<QTreeWidget *>("tvNavigate")->topLevelItem(0)->child(0);
    QStringList Names;
    for (int Index = 0; Index < Locations->childCount(); ++Index)
        Names.append(Locations->child(Index)->text(0));
    Names.sort();
    return Names;
}

// A stored location on the fake Office adapter whose Skype proxy has a password.
QString TestLocationFiles::Store(const QString &Name)
{
    TLocation Location(GenerateId(32), ProgramModules());
    Location.SetLocName(Name);
    Location.SetNetId(TFakeNetwork::OfficeId);
    Location.Save();
    QSqlQuery Query(GetConnection());
    Query.prepare("INSERT INTO SKYPE_PROXY (LOC_ID, PROXY_USER, PROXY_PWD) VALUES (?, 'me', 'pass-word')");
    Query.addBindValue(Location.LocId());
    if (!Query.exec())
        qFatal("cannot store the Skype row");
    return Location.LocId();
}

void TestLocationFiles::ExportWritesTheChosenFileWithPasswordsOnlyWhenTicked_data()
{
    QTest::addColumn<bool>("WithPasswords");
    QTest::newRow("without passwords") << false;
    QTest::newRow("with passwords") << true;
}

void TestLocationFiles::ExportWritesTheChosenFileWithPasswordsOnlyWhenTicked()
{
    QFETCH(bool, WithPasswords);
    Store("Office");
    Store("Home");
    Form();
    Choose({FilePath(), WithPasswords});
    FForm->findChild<QAction *>("nExportFile")->trigger();

    QFile File(FilePath());
    QVERIFY(File.open(QIODevice::ReadOnly));
    const QByteArray Written = File.readAll();
    QVERIFY(Written.contains("\"name\": \"Office\"") && Written.contains("\"name\": \"Home\""));
    QCOMPARE(Written.contains("pass-word"), WithPasswords);
    QCOMPARE(PermissionBits(FilePath()), 0600u);
    QCOMPARE(FWorld->Boxes().Texts(), QStringList{"The locations were written to " + FilePath() + "."});
}

void TestLocationFiles::ImportAsksAboutConflictsAndShowsTheResultInTheTree_data()
{
    QTest::addColumn<TMsgResult>("Answer");
    QTest::addColumn<QStringList>("Names");
    QTest::addColumn<QString>("Said");
    QTest::newRow("Yes replaces") << TMsgResult::Yes << QStringList{"Home", "Office"}
                                  << "2 location(s) imported.";
    QTest::newRow("No renames") << TMsgResult::No << QStringList{"Home", "Home (2)", "Office", "Office (2)"}
                                << "2 location(s) imported.";
    QTest::newRow("Cancel skips") << TMsgResult::Cancel << QStringList{"Home", "Office"}
                                  << "0 location(s) imported.";
}

void TestLocationFiles::ImportAsksAboutConflictsAndShowsTheResultInTheTree()
{
    QFETCH(TMsgResult, Answer);
    QFETCH(QStringList, Names);
    QFETCH(QString, Said);
    Store("Office");
    Store("Home");
    Form();
    Choose({FilePath(), true});
    FForm->findChild<QAction *>("nExportFile")->trigger();
    FWorld->Boxes().Seen.clear();

    FWorld->Boxes().Answers = {Answer};
    FForm->findChild<QAction *>("nImportFile")->trigger();
    QCOMPARE(FWorld->Boxes().Seen.size(), 2);
    QVERIFY(FWorld->Boxes().Texts().at(0).startsWith("2 location(s) of the file have the id or name"));
    QVERIFY2(FWorld->Boxes().Texts().at(1).startsWith(Said), qPrintable(FWorld->Boxes().Texts().at(1)));
    QCOMPARE(TreeNames(), Names);
    QCOMPARE(FForm->Locations()->Count(), Names.size());
}

void TestLocationFiles::ARefusedFileSaysWhereAndChangesNothing()
{
    Store("Office");
    QFile Bad(FilePath());
    QVERIFY(Bad.open(QIODevice::WriteOnly));
    Bad.write(R"({"format": "wayfarel-locations", "version": 7, "locations": []})");
    Bad.close();
    Form();
    Choose({FilePath(), false});
    FForm->findChild<QAction *>("nImportFile")->trigger();
    QCOMPARE(FWorld->Boxes().Seen.size(), 1);
    QCOMPARE(FWorld->Boxes().Seen.at(0).Caption, QString("Error"));
    QVERIFY2(FWorld->Boxes().Texts().at(0).contains("/version: version 7 is not known"),
             qPrintable(FWorld->Boxes().Texts().at(0)));
    QCOMPARE(TreeNames(), QStringList{"Office"});
}

QTEST_MAIN(TestLocationFiles)
#include "tst_LocationFiles.moc"
