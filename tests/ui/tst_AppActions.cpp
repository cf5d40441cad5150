#include "app/uLanguages.h"
#include "platform/desktop/MessageBox.h"
#include "ui/AppActions.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A small form with one tagged component of every kind.
struct TTestForm
{
    QWidget Form;
    QLabel *Label = new QLabel("label design", &Form);
    QCheckBox *CheckBox = new QCheckBox("check design", &Form);
    QLabel *Untagged = new QLabel("untagged design", &Form);
    QPushButton *NoEntry = new QPushButton("button design", &Form);
    QPushButton *Button = new QPushButton("ok design", &Form);
    QToolButton *ToolButton = new QToolButton(&Form);
    QRadioButton *Radio = new QRadioButton("radio design", &Form);
    QGroupBox *Group = new QGroupBox("group design", &Form);
    QFrame *Panel = new QFrame(&Form);
    QListWidget *View = new QListWidget(&Form);
    QAction *Action = new QAction("action design", &Form);
    QMenuBar *MenuBar = new QMenuBar(&Form);
    QMenu *Menu = new QMenu("menu design", &Form);
    QAction *MenuItem = new QAction("item design", &Form);
    QTabWidget *Tabs = new QTabWidget(&Form);
    QWidget *Page = new QWidget;
    QWidget *OtherPage = new QWidget;
    QLabel *LabelOnPage = new QLabel("page label design", Page);

    TTestForm()
    {
        Tabs->addTab(Page, "page design");
        Tabs->addTab(OtherPage, "other design");
        MenuBar->addMenu(Menu);
        Menu->addAction(MenuItem);
        Panel->setWindowTitle("panel design");
        View->setWindowTitle("view design");
        SetTag(Label, 4103);
        SetTag(CheckBox, 4103);
        SetTag(NoEntry, 135);
        SetTag(Button, 6716);
        SetTag(ToolButton, 4101);
        SetTag(Radio, 6301);
        SetTag(Group, 6202);
        SetTag(Panel, 6100);
        SetTag(View, 6100);
        SetTag(Action, 1301);
        SetTag(Menu->menuAction(), 1100);
        SetTag(MenuItem, 4103);
        SetTag(Page, 6120);
        SetTag(LabelOnPage, 6101);
    }
};

} // namespace

class TestAppActions : public QObject
{
    Q_OBJECT

private slots:
    void TagDefaultsToZeroAndIsStored();
    void LabelGetsCaptionAndHint();
    void CheckBoxGetsCaptionOnly();
    void UntaggedAndUnknownIdsKeepTheirDesign();
    void EveryKindGetsItsCaption();
    void MenuItemGetsCaptionToolTipAndStatusTip();
    void ActionOutsideMenusKeepsItsDesign();
    void SpecialisedFramesAreNotPanels();
    void CodeWithoutTableKeepsEveryDesign();
    void UnknownCodeIsReportedAndEndsTheProgram();
};

void TestAppActions::TagDefaultsToZeroAndIsStored()
{
    QObject object;
    QCOMPARE(Tag(&object), 0);
    SetTag(&object, 4103);
    QCOMPARE(Tag(&object), 4103);
    QCOMPARE(object.property("Tag").toInt(), 4103);
}

void TestAppActions::LabelGetsCaptionAndHint()
{
    TTestForm f;
    ApplyLanguage(&f.Form, "EN");
    QCOMPARE(f.Label->text(), QString("Scan LAN"));
    QCOMPARE(f.Label->toolTip(), QString("Scan LAN computers"));
}

void TestAppActions::CheckBoxGetsCaptionOnly()
{
    TTestForm f;
    ApplyLanguage(&f.Form, "EN");
    QCOMPARE(f.CheckBox->text(), QString("Scan LAN"));
    QCOMPARE(f.CheckBox->toolTip(), QString());
}

void TestAppActions::UntaggedAndUnknownIdsKeepTheirDesign()
{
    TTestForm f;
    ApplyLanguage(&f.Form, "EN");
    QCOMPARE(f.Untagged->text(), QString("untagged design"));
    QCOMPARE(f.NoEntry->text(), QString("button design"));
}

void TestAppActions::EveryKindGetsItsCaption()
{
    TTestForm f;
    ApplyLanguage(&f.Form, "EN");
    QCOMPARE(f.Button->text(), QString("OK"));
    QCOMPARE(f.ToolButton->text(), QString("Switch to"));
    QCOMPARE(f.Radio->text(), QString("Direct connection"));
    QCOMPARE(f.Group->title(), QString("Servers"));
    QCOMPARE(f.Panel->windowTitle(), QString("Location Settings:"));
    QCOMPARE(f.Tabs->tabText(0), QString("Location"));
    QCOMPARE(f.Tabs->tabText(1), QString("other design"));
    QCOMPARE(f.LabelOnPage->text(), QString("Description:"));
}

void TestAppActions::MenuItemGetsCaptionToolTipAndStatusTip()
{
    TTestForm f;
    ApplyLanguage(&f.Form, "EN");
    QCOMPARE(f.MenuItem->text(), QString("Scan LAN"));
    QCOMPARE(f.MenuItem->toolTip(), QString("Scan LAN computers"));
    QCOMPARE(f.MenuItem->statusTip(), QString("Scan LAN computers"));
    QCOMPARE(f.Menu->title(), QString("Location(&L)"));
}

// Tag 1301 has a caption and a hint in the table; an action that no menu shows is not a
// menu item, so neither is applied.
void TestAppActions::ActionOutsideMenusKeepsItsDesign()
{
    TTestForm f;
    f.Action->setToolTip("tip design");
    ApplyLanguage(&f.Form, "EN");
    QCOMPARE(f.Action->text(), QString("action design"));
    QCOMPARE(f.Action->toolTip(), QString("tip design"));
    QCOMPARE(f.Action->statusTip(), QString());
}

void TestAppActions::SpecialisedFramesAreNotPanels()
{
    TTestForm f;
    ApplyLanguage(&f.Form, "EN");
    QCOMPARE(f.View->windowTitle(), QString("view design"));
}

void TestAppActions::CodeWithoutTableKeepsEveryDesign()
{
    QList<TMessage> boxes;
    TMessageHandler previous = TMessageBox::SetHandler([&](const TMessage &m) {
        boxes.append(m);
        return TMsgResult::Ok;
    });
    TTestForm f;
    ApplyLanguage(&f.Form, "N");
    TMessageBox::SetHandler(previous);
    QVERIFY(boxes.isEmpty());
    QCOMPARE(f.Label->text(), QString("label design"));
    QCOMPARE(f.Tabs->tabText(0), QString("page design"));
    QCOMPARE(f.MenuItem->text(), QString("item design"));
}

// The program ends inside ApplyLanguage, so the call runs in a forked child that reports
// every box it shows through a pipe.
void TestAppActions::UnknownCodeIsReportedAndEndsTheProgram()
{
    int fds[2];
    QVERIFY(pipe(fds) == 0);
    TTestForm f;
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        close(fds[0]);
        TMessageBox::SetHandler([&](const TMessage &m) {
            const QByteArray line =
                (m.Caption + "|" + m.Text + "|" + QString::number(int(m.Icon)) + "\n").toUtf8();
            [[maybe_unused]] const ssize_t written = write(fds[1], line.constData(), line.size());
            return TMsgResult::Ok;
        });
        ApplyLanguage(&f.Form, "DE");
        _exit(0);
    }
    close(fds[1]);
    QByteArray reported;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        reported.append(buffer, n);
    close(fds[0]);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QVERIFY(WEXITSTATUS(status) != 0);
    QCOMPARE(QString::fromUtf8(reported),
             QString("Error|Can't load language!|%1\n").arg(int(TMsgIcon::Error)));
    QCOMPARE(f.Label->text(), QString("label design"));
}

QTEST_MAIN(TestAppActions)
#include "tst_AppActions.moc"
