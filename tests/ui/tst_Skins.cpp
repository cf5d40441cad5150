#include "ui/Skins.h"

#include <QApplication>
#include <QSet>
#include <QtTest>

class TestSkins : public QObject
{
    Q_OBJECT

private slots:
    void SixSortedSkinsWithSheetsOfTheirOwn();
    void AnUnknownNameChangesNothing();
};

void TestSkins::SixSortedSkinsWithSheetsOfTheirOwn()
{
    QCOMPARE(SkinNames(), (QStringList{"Acryl", "BlueGlass", "Golden", "Shine", "Snow Leopard", "TheFrog"}));
    QSet<QString> Sheets;
    for (const QString &Name : SkinNames()) {
        const QString Sheet = SkinStyleSheet(Name);
        QVERIFY2(Sheet.contains("QMainWindow"), qPrintable(Name));
        Sheets.insert(Sheet);
        QVERIFY(ApplySkin(Name));
        QCOMPARE(qApp->styleSheet(), Sheet);
    }
    QCOMPARE(Sheets.size(), 6);
}

void TestSkins::AnUnknownNameChangesNothing()
{
    QVERIFY(ApplySkin("Golden"));
    QVERIFY(!ApplySkin("Aqua"));
    QCOMPARE(qApp->styleSheet(), SkinStyleSheet("Golden"));
    QCOMPARE(KnownSkin("Aqua"), QString("Acryl"));
    QCOMPARE(KnownSkin("Snow Leopard"), QString("Snow Leopard"));
    QVERIFY(SkinStyleSheet("Aqua").isEmpty());
}

QTEST_MAIN(TestSkins)
#include "tst_Skins.moc"
