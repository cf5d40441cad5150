#include "app/DBManager.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "sharing/FolderShare.h"
#include "sharing/NetMapping.h"
#include "support/BoxAnswers.h"
#include "support/DataWorld.h"
#include "support/ModalAnswer.h"
#include "ui/dialogs/FormFolderShare.h"
#include "ui/dialogs/FrmNetMapping.h"
#include "ui/pages/PageShare.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString OfficeId = QStringLiteral("PAGESHAREOFFICE00000000000000001");
const QString HomeId = QStringLiteral("PAGESHAREHOME0000000000000000001");
const QString DocsId = QStringLiteral("PAGESHAREDOCS0000000000000000001");
const QString MediaId = QStringLiteral("PAGESHAREMEDIA000000000000000001");
const QString OtherId = QStringLiteral("PAGESHAREOTHER000000000000000001");
const QString DriveId = QStringLiteral("PAGESHAREDRIVE000000000000000001");

// Every row of List: its texts and its record id.
QStringList Rows(const QTreeWidget *List)
{
    QStringList Result;
    for (int Index = 0; Index < List->topLevelItemCount(); ++Index) {
        const QTreeWidgetItem *Row = List->topLevelItem(Index);
        Result.append(Row->text(0) + '|' + Row->text(1) + '|' + Row->data(0, Qt::UserRole).toString());
    }
    return Result;
}

void Select(QTreeWidget *List, int Index)
{
    List->setCurrentItem(List->topLevelItem(Index));
    QVERIFY(List->topLevelItem(Index)->isSelected());
}

QStringList Headers(const QTreeWidget *List)
{
    return {List->headerItem()->text(0), List->headerItem()->text(1)};
}

} // namespace

class TestPageShare : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void IsTheShareTabOfTheEditor();
    void LoadShowsTheSwitchesAndTheLocationsRecords();
    void StoreSavesTheSwitchesOnly();
    void AddedShareIsStoredAndAppended();
    void CancelledAddChangesNothing();
    void ModifyEditsTheSelectedShareAndReloads();
    void CommandsWithoutSelectionDoNothing();
    void DeleteRemovesTheShareAtOnce();
    void DriveCommandsWriteAtOnce();

private:
    QString Folder(const QString &Name) const { return QDir(FRoot->Path()).filePath(Name); }
    // The page loaded from the office location.
    std::unique_ptr<TPageShare> LoadedPage();
    template <class TWidget>
    static TWidget *Child(QWidget *Page, const char *Name)
    {
        return Page->findChild<TWidget *>(Name);
    }

    std::unique_ptr<TDataWorld> FRoot;
    std::unique_ptr<TLocation> FOffice;
    std::unique_ptr<TBoxAnswers> FBoxes;
};

void TestPageShare::init()
{
    FRoot = std::make_unique<TDataWorld>();
    for (const char *Name : {"docs", "media", "other", "pics"})
        QVERIFY(QDir().mkpath(Folder(Name)));
    const auto MakeShare = [this](const QString &Id, const QString &LocId, const QString &Name) {
        TFolderShare Share(Id);
        Share.SetLocId(LocId);
        Share.SetShareName(Name);
        Share.SetShareFolder(Folder(Name.toLower()));
        QVERIFY(Share.Save());
    };
    MakeShare(DocsId, OfficeId, "Docs");
    MakeShare(MediaId, OfficeId, "Media");
    MakeShare(OtherId, HomeId, "Other");
    TNetMapping Drive(DriveId);
    Drive.SetLocId(OfficeId);
    Drive.SetDriver("X:");
    Drive.SetRemoteFolder(R"(\\nas\docs)");
    QVERIFY(Drive.Save());
    FOffice = std::make_unique<TLocation>(OfficeId, ProgramModules());
    FOffice->Module<TFolderShareProxy>()->SetEnableProxy(true);
    QVERIFY(FOffice->Module<TFolderShareProxy>()->Save());
    FBoxes = std::make_unique<TBoxAnswers>();
}

void TestPageShare::cleanup()
{
    FBoxes.reset();
    FOffice.reset();
    FRoot.reset();
}

std::unique_ptr<TPageShare> TestPageShare::LoadedPage()
{
    auto Page = std::make_unique<TPageShare>();
    Page->Load(*FOffice);
    return Page;
}

void TestPageShare::IsTheShareTabOfTheEditor()
{
    const TPageDescriptor *Descriptor = FindPage(TModuleKind::FolderShare);
    QVERIFY(Descriptor);
    QVERIFY(!FindPage(TModuleKind::NetMapping));
    const std::unique_ptr<TModulePage> Page = Descriptor->Create(nullptr);
    QVERIFY(dynamic_cast<TPageShare *>(Page.get()));
    QCOMPARE(Page->windowTitle(), QString("Share"));
    QCOMPARE(Page->CatalogueCode(), QString("SHARE"));
    QVERIFY((Page->Kinds() == std::vector{TModuleKind::FolderShare, TModuleKind::NetMapping}));
    QCOMPARE(Child<QCheckBox>(Page.get(), "cbNMEnable")->text(), QString("Enable?"));
    QCOMPARE(Child<QPushButton>(Page.get(), "btnDelMount")->text(), QString("Delete"));
    QCOMPARE(Headers(Child<QTreeWidget>(Page.get(), "lvShare")), (QStringList{"Share name", "Folder"}));
    QCOMPARE(Headers(Child<QTreeWidget>(Page.get(), "lvMap")), (QStringList{"Drive", "Folder"}));
    TPageProblem Problem;
    QVERIFY(Page->Check(&Problem));
}

void TestPageShare::LoadShowsTheSwitchesAndTheLocationsRecords()
{
    const auto Page = LoadedPage();
    QVERIFY(Child<QCheckBox>(Page.get(), "cbFSEnable")->isChecked());
    QVERIFY(!Child<QCheckBox>(Page.get(), "cbNMEnable")->isChecked());
    QCOMPARE(
        Rows(Child<QTreeWidget>(Page.get(), "lvShare")),
        (QStringList{"Docs|" + Folder("docs") + '|' + DocsId, "Media|" + Folder("media") + '|' + MediaId}));
    QCOMPARE(Rows(Child<QTreeWidget>(Page.get(), "lvMap")), QStringList{R"(X:|\\nas\docs|)" + DriveId});

    TFolderShare(DocsId).Remove();
    Page->Load(*FOffice);
    QCOMPARE(Rows(Child<QTreeWidget>(Page.get(), "lvShare")),
             QStringList{"Media|" + Folder("media") + '|' + MediaId});
}

void TestPageShare::StoreSavesTheSwitchesOnly()
{
    const auto Page = LoadedPage();
    Child<QCheckBox>(Page.get(), "cbFSEnable")->setChecked(false);
    Child<QCheckBox>(Page.get(), "cbNMEnable")->setChecked(true);
    QVERIFY(Page->Store(*FOffice));

    TLocation Reloaded(OfficeId, ProgramModules());
    QVERIFY(!Reloaded.Module<TFolderShareProxy>()->EnableProxy());
    QVERIFY(Reloaded.Module<TNetMappingProxy>()->EnableProxy());
    TPageShare Again;
    Again.Load(Reloaded);
    QVERIFY(!Child<QCheckBox>(&Again, "cbFSEnable")->isChecked());
    QVERIFY(Child<QCheckBox>(&Again, "cbNMEnable")->isChecked());
    QCOMPARE(TFolderShareList(OfficeId, true).Count(), 2);
}

void TestPageShare::AddedShareIsStoredAndAppended()
{
    const auto Page = LoadedPage();
    QString Added;
    TModalAnswer<TFormFolderShare> Answer([&](TFormFolderShare *Dialog) {
        Added = Dialog->Id();
        Dialog->findChild<QLineEdit *>("txtShareName")->setText("Pics ");
        Dialog->findChild<QLineEdit *>("txtShareFolder")->setText(Folder("pics"));
        Dialog->findChild<QPushButton *>("btnOk")->click();
    });
    Child<QPushButton>(Page.get(), "btnAddShare")->click();
    QVERIFY(Answer.Seen());
    QCOMPARE(Rows(Child<QTreeWidget>(Page.get(), "lvShare")).last(), "Pics |" + Folder("pics") + '|' + Added);
    QCOMPARE(TFolderShare(Added).LocId(), OfficeId);
    QCOMPARE(TFolderShare(Added).ShareName(), QString("Pics "));
}

void TestPageShare::CancelledAddChangesNothing()
{
    const auto Page = LoadedPage();
    const QStringList Before = Rows(Child<QTreeWidget>(Page.get(), "lvShare"));
    TModalAnswer<TFormFolderShare> Answer([](TFormFolderShare *Dialog) {
        Dialog->findChild<QLineEdit *>("txtShareName")->setText("Pics");
        Dialog->findChild<QPushButton *>("btnCancel")->click();
    });
    Child<QPushButton>(Page.get(), "btnAddShare")->click();
    QVERIFY(Answer.Seen());
    QCOMPARE(Rows(Child<QTreeWidget>(Page.get(), "lvShare")), Before);
    QCOMPARE(TFolderShareList(OfficeId, true).Count(), 2);
}

void TestPageShare::ModifyEditsTheSelectedShareAndReloads()
{
    const auto Page = LoadedPage();
    auto *List = Child<QTreeWidget>(Page.get(), "lvShare");
    Select(List, 1);
    QString Opened;
    TModalAnswer<TFormFolderShare> Answer([&](TFormFolderShare *Dialog) {
        Opened = Dialog->ShareNameText();
        Dialog->findChild<QLineEdit *>("txtShareName")->setText("Films");
        Dialog->findChild<QPushButton *>("btnOk")->click();
    });
    emit List->itemDoubleClicked(List->topLevelItem(1), 0);
    QVERIFY(Answer.Seen());
    QCOMPARE(Opened, QString("Media"));
    QCOMPARE(Rows(List), (QStringList{"Docs|" + Folder("docs") + '|' + DocsId,
                                      "Films|" + Folder("media") + '|' + MediaId}));
    QCOMPARE(TFolderShare(MediaId).ShareName(), QString("Films"));
}

void TestPageShare::CommandsWithoutSelectionDoNothing()
{
    const auto Page = LoadedPage();
    for (const char *Button : {"btnModifyShare", "btnDelShare", "btnModifyMount", "btnDelMount"}) {
        TModalAnswer<QDialog> Answer([](QDialog *Dialog) { Dialog->reject(); });
        Child<QPushButton>(Page.get(), Button)->click();
        QVERIFY2(!Answer.Seen(), Button);
    }
    QCOMPARE(Child<QTreeWidget>(Page.get(), "lvShare")->topLevelItemCount(), 2);
    QCOMPARE(TFolderShareList(OfficeId, true).Count(), 2);
    QCOMPARE(TNetMappingList(OfficeId, true).Count(), 1);
}

void TestPageShare::DeleteRemovesTheShareAtOnce()
{
    const auto Page = LoadedPage();
    auto *List = Child<QTreeWidget>(Page.get(), "lvShare");
    Select(List, 0);
    Child<QPushButton>(Page.get(), "btnDelShare")->click();
    QCOMPARE(FBoxes->Texts(), QStringList());
    QCOMPARE(Rows(List), QStringList{"Media|" + Folder("media") + '|' + MediaId});
    QCOMPARE(DefinitionIds(TFolderShare::Table, OfficeId, true), QStringList{MediaId});
    QCOMPARE(DefinitionIds(TFolderShare::Table, HomeId, true), QStringList{OtherId});
}

void TestPageShare::DriveCommandsWriteAtOnce()
{
    const auto Page = LoadedPage();
    auto *List = Child<QTreeWidget>(Page.get(), "lvMap");
    QString Added;
    TModalAnswer<TfrmNetMapping> Add([&](TfrmNetMapping *Dialog) {
        Added = Dialog->Id();
        Dialog->findChild<QLineEdit *>("txtRemoteFolder")->setText(R"(\\nas\media)");
        Dialog->findChild<QPushButton *>("btnOk")->click();
    });
    Child<QPushButton>(Page.get(), "btnAddMount")->click();
    QVERIFY(Add.Seen());
    QCOMPARE(Rows(List), (QStringList{R"(X:|\\nas\docs|)" + DriveId, R"(A:|\\nas\media|)" + Added}));
    QCOMPARE(TNetMapping(Added).RemoteFolder(), QString(R"(\\nas\media)"));

    Select(List, 0);
    TModalAnswer<TfrmNetMapping> Modify([](TfrmNetMapping *Dialog) {
        Dialog->findChild<QLineEdit *>("txtRemoteFolder")->setText(R"(\\nas\films)");
        Dialog->findChild<QPushButton *>("btnOk")->click();
    });
    Child<QPushButton>(Page.get(), "btnModifyMount")->click();
    QVERIFY(Modify.Seen());
    QCOMPARE(TNetMapping(DriveId).RemoteFolder(), QString(R"(\\nas\films)"));
    QCOMPARE(List->topLevelItem(0)->text(1), QString(R"(\\nas\films)"));

    Select(List, 1);
    Child<QPushButton>(Page.get(), "btnDelMount")->click();
    QCOMPARE(Rows(List), QStringList{R"(X:|\\nas\films|)" + DriveId});
    QCOMPARE(DefinitionIds(TNetMapping::Table, OfficeId, true), QStringList{DriveId});
}

QTEST_MAIN(TestPageShare)
#include "tst_PageShare.moc"
