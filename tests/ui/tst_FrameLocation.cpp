#include "app/DBManager.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "support/BoxAnswers.h"
#include "support/TestRoot.h"
#include "ui/FrameLocation.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

namespace {

const QString StoredId = QStringLiteral("FRAMELOCATION0000000000000000001");

QString StoredName(const QString &LocId)
{
    QSqlQuery Row(LocationConnection());
    Row.exec(QStringLiteral("SELECT LOC_NAME FROM LOCATION WHERE LOC_ID='%1'").arg(LocId));
    return Row.next() ? Row.value(0).toString() : QString();
}

} // namespace

class TestFrameLocation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void DoShowLoadsTheNameAndDiscardsEdits();
    void SaveStoresTheNameAndTellsTheOwner();
    void ABlankNameIsRefused();
    void ALocationTheListLacksJoinsItWhenStored();

private:
    std::unique_ptr<TTestRoot> FRoot;
    std::unique_ptr<TLocationList> FList;
    std::unique_ptr<TBoxAnswers> FBoxes;
};

void TestFrameLocation::init()
{
    FRoot = std::make_unique<TTestRoot>();
    InitConnectionString(FRoot->DataFolder());
    SetLocationConnection(GetConnection());
    TLocation Stored(StoredId, ProgramModules());
    Stored.SetLocName("Office");
    Stored.Save();
    FList = std::make_unique<TLocationList>(ProgramModules());
    FBoxes = std::make_unique<TBoxAnswers>();
}

void TestFrameLocation::cleanup()
{
    FBoxes.reset();
    FList.reset();
    CloseConnection();
    FRoot.reset();
}

void TestFrameLocation::DoShowLoadsTheNameAndDiscardsEdits()
{
    TFrameLocation Frame(*FList);
    Frame.SetLocId(StoredId);
    Frame.DoShow();
    QVERIFY(Frame.isVisible());
    QCOMPARE(Frame.LocNameText(), QString("Office"));
    QCOMPARE(Frame.findChild<QLabel *>("slblLocName")->text(), QString("Office"));
    QCOMPARE(Frame.findChild<QLabel *>("lblLocName")->text(), QString("Description:"));
    QCOMPARE(Frame.findChild<QPushButton *>("btnApply")->text(), QString("Save"));
    Frame.findChild<QLineEdit *>("txtLocName")->setText("Not saved");
    Frame.DoShow();
    QCOMPARE(Frame.LocNameText(), QString("Office"));
}

void TestFrameLocation::SaveStoresTheNameAndTellsTheOwner()
{
    TFrameLocation Frame(*FList);
    Frame.SetLocId(StoredId);
    Frame.SetIsChanged(true);
    QStringList Applied;
    Frame.SetOnApply([&Applied](const QString &LocId) { Applied.append(LocId); });
    Frame.DoShow();
    Frame.findChild<QLineEdit *>("txtLocName")->setText(" Head office ");
    Frame.findChild<QPushButton *>("btnApply")->click();

    QCOMPARE(FBoxes->Texts(), QStringList{"Settings successfully saved."});
    QCOMPARE(Applied, QStringList{StoredId});
    QVERIFY(!Frame.IsChanged());
    QCOMPARE(StoredName(StoredId), QString(" Head office "));
    QCOMPARE(FList->GetItemByLocId(StoredId)->LocName(), QString(" Head office "));
}

void TestFrameLocation::ABlankNameIsRefused()
{
    TFrameLocation Frame(*FList);
    Frame.SetLocId(StoredId);
    Frame.SetIsChanged(true);
    bool Applied = false;
    Frame.SetOnApply([&Applied](const QString &) { Applied = true; });
    Frame.DoShow();
    Frame.findChild<QLineEdit *>("txtLocName")->setText("   ");
    QVERIFY(!Frame.Save());
    QCOMPARE(FBoxes->Texts(), QStringList{"Please Enter Location Name!"});
    QCOMPARE(FBoxes->Seen.at(0).Caption, QString("Error"));
    QVERIFY(Frame.IsChanged());
    QVERIFY(!Applied);
    QCOMPARE(StoredName(StoredId), QString("Office"));
}

void TestFrameLocation::ALocationTheListLacksJoinsItWhenStored()
{
    TFrameLocation Frame(*FList);
    Frame.SetLocId("NOSUCHLOCATION00000000000000001");
    Frame.DoShow();
    QCOMPARE(Frame.LocNameText(), QString("New location"));
    QCOMPARE(FList->Count(), 1);
    QVERIFY(Frame.Save());
    QCOMPARE(FList->Count(), 2);
    QCOMPARE(FList->Items(1)->LocName(), QString("New location"));
    QCOMPARE(StoredName(FList->Items(1)->LocId()), QString("New location"));
}

QTEST_MAIN(TestFrameLocation)
#include "tst_FrameLocation.moc"
