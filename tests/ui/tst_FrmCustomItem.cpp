#include "app/DBManager.h"
#include "locations/FuncDef.h"
#include "support/BoxAnswers.h"
#include "support/DataWorld.h"
#include "support/ModalAnswer.h"
#include "ui/HelpPages.h"
#include "ui/dialogs/FrmCustomItem.h"

#include <QDesktopServices>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

namespace {

// Each catalogue row as "CODE:enabled:position", by code.
QStringList Catalogue()
{
    QSqlQuery Rows(GetConnection());
    Rows.exec("SELECT FUNC_CODE, FUNC_EANBLED, FUNC_POS FROM FUNC_DEF ORDER BY FUNC_CODE");
    QStringList Result;
    while (Rows.next())
        Result.append(QStringLiteral("%1:%2:%3")
                          .arg(Rows.value(0).toString(), Rows.value(1).toString(), Rows.value(2).toString()));
    return Result;
}

QStringList Names(const QListWidget *List)
{
    QStringList Result;
    for (int Row = 0; Row < List->count(); ++Row)
        Result.append(List->item(Row)->text());
    return Result;
}

// The in-use modules as the catalogue comes with ICQ and MSN switched off.
const QStringList InUseAtStart{"Internet Explorer", "Firefox", "Foxmail", "Skype",
                               "Shares and Drives", "eMule",   "BitComet"};
const QStringList UsableAtStart{"ICQ", "MSN Messenger"};

} // namespace

// Catches the addresses the desktop is asked to open.
class TOpenedPages : public QObject
{
    Q_OBJECT

public slots:
    void Open(const QUrl &Url) { Urls.append(Url); }

public:
    QList<QUrl> Urls;
};

class TestFrmCustomItem : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void ShowsTheModulesOffAndOnInPositionOrder();
    void MovesEntries_data();
    void MovesEntries();
    void OkWritesSwitchesAndNumbersTheModulesInUse();
    void OkWithNothingInUseSwitchesEveryModuleOff();
    void CloseWritesNothing();
    void TheLinkOpensTheFeedbackPage();

private:
    // Selects the entry named Entry in the list Button works on, unless the name is empty, and
    // presses Button.
    static void Press(TfrmCustomItem &Dialog, const QString &Button, const QString &Entry);
    static void Run(TfrmCustomItem &Dialog, const QStringList &Steps);
    template <class TWidget>
    static TWidget *Child(QWidget *Dialog, const QString &Name)
    {
        return Dialog->findChild<TWidget *>(Name);
    }

    std::unique_ptr<TDataWorld> FRoot;
    std::unique_ptr<TBoxAnswers> FBoxes;
};

void TestFrmCustomItem::init()
{
    FRoot = std::make_unique<TDataWorld>();
    TFuncDefine::getInstance()->SetEnabled(FUNC_ICQ, false);
    TFuncDefine::getInstance()->SetEnabled(FUNC_MSN, false);
    FBoxes = std::make_unique<TBoxAnswers>();
}

void TestFrmCustomItem::cleanup()
{
    FBoxes.reset();
    TFuncDefine::FreeInstance();
    FRoot.reset();
}

void TestFrmCustomItem::Press(TfrmCustomItem &Dialog, const QString &Button, const QString &Entry)
{
    auto *List = Child<QListWidget>(&Dialog, Button == "btnAppend" ? "lvUsable" : "lvInUse");
    if (!Entry.isEmpty()) {
        const QList<QListWidgetItem *> Found = List->findItems(Entry, Qt::MatchExactly);
        QCOMPARE(Found.size(), 1);
        List->setCurrentItem(Found.first());
    }
    Child<QPushButton>(&Dialog, Button)->click();
}

// Each step is a button's name, optionally followed by a blank and the entry to select; without
// one the selection stays as the dialog opened with it (none) or the step before left it.
void TestFrmCustomItem::Run(TfrmCustomItem &Dialog, const QStringList &Steps)
{
    for (const QString &Step : Steps)
        Press(Dialog, Step.section(' ', 0, 0), Step.section(' ', 1));
}

void TestFrmCustomItem::ShowsTheModulesOffAndOnInPositionOrder()
{
    QWidget Owner;
    Owner.setFont(QFont("Serif", 17));
    TfrmCustomItem Dialog(&Owner);
    QCOMPARE(Dialog.windowTitle(), QString("Customize Proxy Plugins"));
    QCOMPARE(Dialog.font().pointSize(), 17);
    QCOMPARE(Child<QLabel>(&Dialog, "lblUsable")->text(), QString("Available Proxy Plugins"));
    QCOMPARE(Child<QPushButton>(&Dialog, "btnAppend")->text(), QString("Add(&A) ->"));
    QCOMPARE(Child<QPushButton>(&Dialog, "btnReset")->text(), QString("Close(&C)"));
    QVERIFY(Child<QLabel>(&Dialog, "lblSubmit")
                ->text()
                .contains("Cannot find the plugin you need? Click here to submit your requirement."));
    QCOMPARE(Names(Child<QListWidget>(&Dialog, "lvUsable")), UsableAtStart);
    QCOMPARE(Names(Child<QListWidget>(&Dialog, "lvInUse")), InUseAtStart);
}

void TestFrmCustomItem::MovesEntries_data()
{
    QTest::addColumn<QStringList>("Steps");
    QTest::addColumn<QStringList>("InUse");
    QTest::addColumn<QStringList>("Usable");
    QTest::addColumn<QString>("Selected");
    QStringList SkypeUp = InUseAtStart;
    SkypeUp.swapItemsAt(2, 3);
    QStringList FirefoxDownTwice = InUseAtStart;
    FirefoxDownTwice.move(1, 3);
    QStringList FirefoxLast = InUseAtStart;
    FirefoxLast.move(1, 6);

    QTest::newRow("top entry up") << QStringList{"btnUp Internet Explorer"} << InUseAtStart << UsableAtStart
                                  << "Internet Explorer";
    QTest::newRow("bottom entry down")
        << QStringList{"btnDown BitComet"} << InUseAtStart << UsableAtStart << "BitComet";
    QTest::newRow("up") << QStringList{"btnUp Skype"} << SkypeUp << UsableAtStart << "Skype";
    QTest::newRow("down twice, the selection goes along")
        << QStringList{"btnDown Firefox", "btnDown"} << FirefoxDownTwice << UsableAtStart << "Firefox";
    QTest::newRow("add goes last") << QStringList{"btnAppend MSN Messenger"}
                                   << InUseAtStart + QStringList{"MSN Messenger"} << QStringList{"ICQ"} << "";
    QTest::newRow("remove goes last") << QStringList{"btnDelete Internet Explorer"} << InUseAtStart.mid(1)
                                      << UsableAtStart + QStringList{"Internet Explorer"} << "";
    QTest::newRow("removed and added again goes last")
        << QStringList{"btnDelete Firefox", "btnAppend Firefox"} << FirefoxLast << UsableAtStart << "";
    QTest::newRow("nothing selected")
        << QStringList{"btnAppend", "btnDelete", "btnUp", "btnDown"} << InUseAtStart << UsableAtStart << "";
}

void TestFrmCustomItem::MovesEntries()
{
    QFETCH(QStringList, Steps);
    QFETCH(QStringList, InUse);
    QFETCH(QStringList, Usable);
    QFETCH(QString, Selected);
    TfrmCustomItem Dialog;
    Run(Dialog, Steps);
    const auto *InUseList = Child<QListWidget>(&Dialog, "lvInUse");
    QCOMPARE(Names(InUseList), InUse);
    QCOMPARE(Names(Child<QListWidget>(&Dialog, "lvUsable")), Usable);
    if (!Selected.isEmpty())
        QCOMPARE(InUseList->currentItem()->text(), Selected);
    QCOMPARE(Catalogue(), (QStringList{"BITCOMET:1:9", "EMULE:1:8", "FIREFOX:1:2", "FOXMAIL:1:3", "ICQ:0:4",
                                       "IE:1:1", "MSN:0:5", "SHARE:1:7", "SKYPE:1:6"}));
}

void TestFrmCustomItem::OkWritesSwitchesAndNumbersTheModulesInUse()
{
    TfrmCustomItem Dialog;
    Run(Dialog,
        {"btnDelete Skype", "btnAppend MSN Messenger", "btnUp MSN Messenger", "btnUp Shares and Drives"});
    Child<QPushButton>(&Dialog, "btnOk")->click();
    QCOMPARE(Dialog.result(), int(QDialog::Accepted));
    // Skype and ICQ keep their positions, which two modules in use now have too.
    QCOMPARE(Catalogue(), (QStringList{"BITCOMET:1:7", "EMULE:1:5", "FIREFOX:1:2", "FOXMAIL:1:4", "ICQ:0:4",
                                       "IE:1:1", "MSN:1:6", "SHARE:1:3", "SKYPE:0:6"}));
    QVERIFY(!TFuncDefine::getInstance()->IsSkypeEnabled());
    QCOMPARE(TFuncDefine::getInstance()->GetPos(FUNC_SHARE), 3);
}

void TestFrmCustomItem::OkWithNothingInUseSwitchesEveryModuleOff()
{
    TfrmCustomItem Dialog;
    for (const QString &Name : InUseAtStart)
        Press(Dialog, "btnDelete", Name);
    Child<QPushButton>(&Dialog, "btnOk")->click();
    QCOMPARE(Catalogue(), (QStringList{"BITCOMET:0:9", "EMULE:0:8", "FIREFOX:0:2", "FOXMAIL:0:3", "ICQ:0:4",
                                       "IE:0:1", "MSN:0:5", "SHARE:0:7", "SKYPE:0:6"}));
}

void TestFrmCustomItem::CloseWritesNothing()
{
    const QStringList Before = Catalogue();
    int Result = -1;
    TModalAnswer<TfrmCustomItem> Answer([](TfrmCustomItem *Dialog) {
        Run(*Dialog, {"btnDelete Skype", "btnAppend ICQ", "btnUp ICQ", "btnDown Firefox"});
        Child<QPushButton>(Dialog, "btnReset")->click();
    });
    Result = TfrmCustomItem::Execute(nullptr);
    QVERIFY(Answer.Seen());
    QCOMPARE(Result, int(QDialog::Rejected));
    QCOMPARE(Catalogue(), Before);
}

void TestFrmCustomItem::TheLinkOpensTheFeedbackPage()
{
    TOpenedPages Opened;
    QDesktopServices::setUrlHandler("file", &Opened, "Open");
    TfrmCustomItem Dialog;
    emit Child<QLabel>(&Dialog, "lblSubmit")->linkActivated("#");
    QDesktopServices::unsetUrlHandler("file");
    QUrl Expected = HelpPageUrl("home.html");
    Expected.setFragment("support");
    QCOMPARE(Opened.Urls, QList<QUrl>{Expected});
    QCOMPARE(FBoxes->Texts(), QStringList());
}

QTEST_MAIN(TestFrmCustomItem)
#include "tst_FrmCustomItem.moc"
