#include "platform/desktop/MessageBox.h"
#include "ui/lantools/FrameMacScan.h"
#include "ui/widgets/IPEdit.h"
#include "ui/widgets/IPFieldEdit.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Answers every message box and keeps its text.
class TBoxes
{
public:
    TBoxes()
        : FPrevious(TMessageBox::SetHandler([this](const TMessage &Box) {
              Texts << Box.Caption + ": " + Box.Text;
              return TMsgResult::Ok;
          }))
    {}
    ~TBoxes() { TMessageBox::SetHandler(FPrevious); }
    QStringList Texts;

private:
    TMessageHandler FPrevious;
};

// A stand-in for the "ip" program on PATH: it logs its arguments and refuses one address, so
// Bind All can be watched without touching this machine's neighbour table.
class TFakeIp
{
public:
    explicit TFakeIp(const QString &Refused) : FOldPath(qgetenv("PATH"))
    {
        QFile script(FDir.filePath("ip"));
        script.open(QIODevice::WriteOnly);
        script.write(
            QString(
                "#!/bin/sh\n"
                "echo \"$*\" >> '%1'\n"
                "[ \"$3\" = '%2' ] && { echo 'RTNETLINK answers: Operation not permitted' >&2; exit 2; }\n"
                "exit 0\n")
                .arg(LogPath(), Refused)
                .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", FDir.path().toUtf8() + ':' + FOldPath);
    }
    ~TFakeIp() { qputenv("PATH", FOldPath); }

    bool IsTheOneFound() const { return QStandardPaths::findExecutable("ip") == FDir.filePath("ip"); }
    QString LogPath() const { return FDir.filePath("calls.log"); }
    QStringList Calls() const
    {
        QFile log(LogPath());
        log.open(QIODevice::ReadOnly);
        return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir FDir;
    QByteArray FOldPath;
};

struct TPanel
{
    TFrameMacScan Frame{nullptr};
    TIPEdit *Start = Frame.findChild<TIPEdit *>("txtIPStart");
    TIPEdit *End = Frame.findChild<TIPEdit *>("txtIPEnd");
    QTableWidget *List = Frame.findChild<QTableWidget *>("lvIPMAC");
    QPushButton *BtnStart = Frame.findChild<QPushButton *>("btnStart");
    QPushButton *BtnStop = Frame.findChild<QPushButton *>("btnStop");
    QPushButton *BtnBindAll = Frame.findChild<QPushButton *>("btnBindAll");
    QLabel *Animation = Frame.findChild<QLabel *>("AniSearch");

    // The list's column as "a,b,c", top to bottom.
    QString Column(int Index) const
    {
        QStringList cells;
        for (int row = 0; row < List->rowCount(); ++row)
            cells << List->item(row, Index)->text();
        return cells.join(',');
    }
    void ClickHeader(int Index)
    {
        QHeaderView *header = List->horizontalHeader();
        const QPoint centre(header->sectionViewportPosition(Index) + header->sectionSize(Index) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }
    bool IsIdle() const
    {
        return !Frame.IsRunning() && Frame.IsFinished() && BtnStart->isEnabled() && !BtnStop->isEnabled() &&
               !Animation->isVisible() && List->updatesEnabled();
    }
};

} // namespace

class TestFrameMacScan : public QObject
{
    Q_OBJECT

private slots:
    void StartsIdleWithItsCaptions();
    void TypedStartPrefixGoesToTheEndAndBack();
    void AddressRowsSortByTheFourthOctet();
    void ColumnClickSortsAscendingWithoutRegardToCase();
    void StartAboveEndReturnsToIdleAtOnceWithAMessage_data();
    void StartAboveEndReturnsToIdleAtOnceWithAMessage();
    void BindAllSkipsRowsWithoutMacAndReportsFailures();
};

void TestFrameMacScan::StartsIdleWithItsCaptions()
{
    TPanel p;
    p.Frame.show();
    QVERIFY(p.IsIdle());
    QCOMPARE(p.Start->IPString(), QString("192.168.0.1"));
    QCOMPARE(p.End->IPString(), QString("192.168.0.254"));
    QVERIFY(p.Frame.findChild<QRadioButton *>("rbOnline")->isChecked());
    QCOMPARE(p.Frame.findChild<QRadioButton *>("rbUnused")->text(),
             QString("Scan unused ip address in the LAN"));
    QCOMPARE(p.Frame.findChild<QLabel *>("Panel3")->text(), QString("IP+MAC Address Scan"));
    QCOMPARE(p.BtnBindAll->text(), QString("Bind All"));
    QCOMPARE(p.List->horizontalHeaderItem(0)->text(), QString("IP Address"));
    QCOMPARE(p.List->horizontalHeaderItem(1)->text(), QString("MAC Address"));
    QCOMPARE(p.List->horizontalHeaderItem(2)->text(), QString("Host name"));
    QCOMPARE(p.Frame.ColumnToSort(), 0);
    QVERIFY(!p.BtnStart->icon().isNull());
}

void TestFrameMacScan::TypedStartPrefixGoesToTheEndAndBack()
{
    TPanel p;
    p.Frame.show();
    p.Frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.Frame));
    p.Start->Field(0)->setFocus();
    p.Start->Field(0)->selectAll();
    QTest::keyClicks(nullptr, "10.0.5.9");
    QCOMPARE(p.Start->IPString(), QString("10.0.5.9"));
    QCOMPARE(p.End->IPString(), QString("10.0.5.254"));

    p.End->Field(2)->setFocus();
    p.End->Field(2)->selectAll();
    QTest::keyClicks(nullptr, "77");
    QCOMPARE(p.End->IPString(), QString("10.0.77.254"));
    QCOMPARE(p.Start->IPString(), QString("10.0.77.9"));
}

void TestFrameMacScan::AddressRowsSortByTheFourthOctet()
{
    TPanel p;
    p.Frame.ScannerFoundHost("192.168.0.20", "00-0C-29-0A-BB-20", "twenty");
    p.Frame.ScannerFoundHost("192.168.0.3", "00-0C-29-0A-BB-03", "three");
    p.Frame.ScannerFoundHost("192.168.0.100", "00-0C-29-0A-BB-64", "");
    p.Frame.ScannerFoundFreeIp("192.168.0.9");
    QCOMPARE(p.Column(0), QString("192.168.0.3,192.168.0.9,192.168.0.20,192.168.0.100"));
    QCOMPARE(p.Column(1), QString("00-0C-29-0A-BB-03,,00-0C-29-0A-BB-20,00-0C-29-0A-BB-64"));
    QCOMPARE(p.List->item(0, 1)->textAlignment(), int(Qt::AlignCenter));
}

void TestFrameMacScan::ColumnClickSortsAscendingWithoutRegardToCase()
{
    TPanel p;
    p.Frame.show();
    p.Frame.ScannerFoundHost("10.0.0.1", "00-00-00-00-00-0B", "gamma");
    p.Frame.ScannerFoundHost("10.0.0.2", "00-00-00-00-00-0a", "Beta");
    p.Frame.ScannerFoundHost("10.0.0.3", "00-00-00-00-00-0C", "");
    p.Frame.ScannerFoundHost("10.0.0.4", "00-00-00-00-00-0D", "alpha");

    p.ClickHeader(2);
    QCOMPARE(p.Frame.ColumnToSort(), 2);
    QCOMPARE(p.Column(2), QString(",alpha,Beta,gamma"));
    QCOMPARE(p.Column(0), QString("10.0.0.3,10.0.0.4,10.0.0.2,10.0.0.1"));
    // A second click keeps the order ascending, and new rows go to their sorted place.
    p.ClickHeader(2);
    QCOMPARE(p.Column(2), QString(",alpha,Beta,gamma"));
    p.Frame.ScannerFoundHost("10.0.0.5", "00-00-00-00-00-0E", "Delta");
    QCOMPARE(p.Column(2), QString(",alpha,Beta,Delta,gamma"));

    p.ClickHeader(1);
    QCOMPARE(p.Column(1), QString("00-00-00-00-00-0a,00-00-00-00-00-0B,00-00-00-00-00-0C,00-00-00-00-00-0D,"
                                  "00-00-00-00-00-0E"));
    p.ClickHeader(0);
    QCOMPARE(p.Column(0), QString("10.0.0.1,10.0.0.2,10.0.0.3,10.0.0.4,10.0.0.5"));
}

void TestFrameMacScan::StartAboveEndReturnsToIdleAtOnceWithAMessage_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("message");
    QTest::newRow("start above end") << "10.0.5.200"
                                     << "10.0.5.100"
                                     << "Info: The start address lies above the end address!";
    QTest::newRow("only the network's own address")
        << "10.0.5.0"
        << "10.0.5.0"
        << "Info: Please enter a range of host addresses to scan!";
    QTest::newRow("only the broadcast address") << "10.0.5.255"
                                                << "10.0.5.255"
                                                << "Info: Please enter a range of host addresses to scan!";
}

void TestFrameMacScan::StartAboveEndReturnsToIdleAtOnceWithAMessage()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    TPanel p;
    p.Frame.show();
    p.Frame.ScannerFoundHost("10.0.5.7", "00-00-00-00-00-07", "from before");
    p.Start->SetIPString(start);
    p.End->SetIPString(end);
    TBoxes boxes;
    QTest::mouseClick(p.BtnStart, Qt::LeftButton);
    // Right after the click, with no event served: nothing waits for a scan that never starts.
    QVERIFY(p.IsIdle());
    QTEST(boxes.Texts.join('|'), "message");
    QCOMPARE(p.List->rowCount(), 0);
}

void TestFrameMacScan::BindAllSkipsRowsWithoutMacAndReportsFailures()
{
    TFakeIp ip("127.0.0.9");
    QVERIFY(ip.IsTheOneFound());
    TPanel p;
    // Loopback addresses route through lo, so each binding is built for a real interface.
    p.Frame.ScannerFoundHost("127.0.0.5", "02-00-00-00-00-05", "five");
    p.Frame.ScannerFoundFreeIp("127.0.0.6");
    p.Frame.ScannerFoundHost("127.0.0.9", "02-00-00-00-00-09", "");
    p.Frame.ScannerFoundHost("127.0.0.7", "02-00-00-00-00-07", "seven");
    TBoxes boxes;
    QTest::mouseClick(p.BtnBindAll, Qt::LeftButton);
    QVERIFY(!p.BtnBindAll->isEnabled());
    QTRY_VERIFY(p.BtnBindAll->isEnabled());

    const QString bind = "neigh replace %1 lladdr %2 dev lo nud permanent protocol 87";
    QCOMPARE(ip.Calls(), QStringList({bind.arg("127.0.0.5", "02:00:00:00:00:05"),
                                      bind.arg("127.0.0.7", "02:00:00:00:00:07"),
                                      bind.arg("127.0.0.9", "02:00:00:00:00:09")}));
    QCOMPARE(boxes.Texts, QStringList{"Error: These addresses could not be bound:\n"
                                      "127.0.0.9: RTNETLINK answers: Operation not permitted"});
}

QTEST_MAIN(TestFrameMacScan)
#include "tst_FrameMacScan.moc"
