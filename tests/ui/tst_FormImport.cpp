#include "adapters/NetMgr.h"
#include "adapters/Network.h"
#include "support/BoxAnswers.h"
#include "ui/FormImport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// A connection that describes itself as given.
class TConnection : public INetConnection
{
public:
    TConnection(const QString &Guid, const QString &Name, const QString &Device)
        : FProps{Guid, Name, Device, 100}
    {}
    bool GetProperties(TNetConProperties &Props) override
    {
        Props = FProps;
        return true;
    }
    bool Connect() override { return true; }
    bool Disconnect() override { return true; }
    bool Apply(const TConnectionSettings &, int, TConnectionOutcome &) override { return false; }
    QString LastError() const override { return {}; }

private:
    TNetConProperties FProps;
};

class TConnections : public INetConnectionManager
{
public:
    explicit TConnections(TNetConnections Connections) : FConnections(std::move(Connections)) {}
    QString Source() const override { return QStringLiteral("NetworkManager"); }
    TNetConnections EnumConnections() override { return FConnections; }
    QString LastError() const override { return {}; }

private:
    TNetConnections FConnections;
};

const QString WiredId = QStringLiteral("{11111111-0000-4000-8000-000000000001}");
const QString WirelessId = QStringLiteral("{11111111-0000-4000-8000-000000000002}");

TNetConnections TwoAdapters()
{
    return {std::make_shared<TConnection>(WiredId, "Wired connection 1", "Intel I219-LM"),
            std::make_shared<TConnection>(WirelessId, "Cafe WiFi", "")};
}

struct TDialog
{
    explicit TDialog(TNetConnections Connections)
        : Manager(std::make_unique<TConnections>(std::move(Connections))), Adapters(Manager), Dialog(Adapters)
    {}

    QLineEdit *Name() const { return Dialog.findChild<QLineEdit *>("txtName"); }
    QComboBox *Adapter() const { return Dialog.findChild<QComboBox *>("cobNetId"); }
    void Import() const { Dialog.findChild<QPushButton *>("btnImport")->click(); }

    TNetManager Manager;
    TNetWorkList Adapters;
    TFormImport Dialog;
};

} // namespace

class TestFormImport : public QObject
{
    Q_OBJECT

private slots:
    void ListsEveryAdapterAndSelectsTheFirst();
    void RefusesWhatCannotBeImported_data();
    void RefusesWhatCannotBeImported();
    void AcceptsANameAndTheChosenAdapter();
    void CloseRejects();
};

void TestFormImport::ListsEveryAdapterAndSelectsTheFirst()
{
    TDialog Form(TwoAdapters());
    QCOMPARE(Form.Dialog.windowTitle(), QString("Import current settings as new location"));
    QCOMPARE(Form.Dialog.findChild<QLabel *>("lblName")->text(), QString("Location name: "));
    QCOMPARE(Form.Dialog.findChild<QLabel *>("lblNetId")->text(), QString("Select adapter: "));
    QCOMPARE(Form.Adapter()->count(), 2);
    QCOMPARE(Form.Adapter()->itemText(0), QString("Wired connection 1(Intel I219-LM)"));
    QCOMPARE(Form.Adapter()->itemText(1), QString("Cafe WiFi"));
    QCOMPARE(Form.Adapter()->currentIndex(), 0);
    QVERIFY(Form.Dialog.findChild<QPushButton *>("btnImport")->isDefault());
}

void TestFormImport::RefusesWhatCannotBeImported_data()
{
    QTest::addColumn<bool>("adapters");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::newRow("no name") << true << ""
                             << "Please give a name to location!";
    QTest::newRow("blanks only") << true << "   "
                                 << "Please give a name to location!";
    QTest::newRow("no adapter") << false << "Cafe"
                                << "Please select an adapter!";
}

void TestFormImport::RefusesWhatCannotBeImported()
{
    QFETCH(bool, adapters);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    TBoxAnswers Boxes;
    TDialog Form(adapters ? TwoAdapters() : TNetConnections{});
    Form.Dialog.show();
    QTest::keyClicks(Form.Name(), typed);
    Form.Import();
    QCOMPARE(Boxes.Texts(), QStringList{message});
    QCOMPARE(Boxes.Seen.at(0).Caption, QString("Info"));
    QCOMPARE(Boxes.Seen.at(0).Icon, TMsgIcon::Warning);
    QVERIFY(Form.Dialog.isVisible());
    QCOMPARE(Form.Dialog.result(), int(QDialog::Rejected));
    QVERIFY(Form.Dialog.NetId().isEmpty());
}

void TestFormImport::AcceptsANameAndTheChosenAdapter()
{
    TBoxAnswers Boxes;
    TDialog Form(TwoAdapters());
    Form.Dialog.show();
    QTest::keyClicks(Form.Name(), " Cafe ");
    Form.Adapter()->setCurrentIndex(1);
    Form.Import();
    QVERIFY(Boxes.Seen.isEmpty());
    QCOMPARE(Form.Dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Form.Dialog.NetId(), WirelessId);
    QCOMPARE(Form.Dialog.LocName(), QString(" Cafe "));
}

void TestFormImport::CloseRejects()
{
    TDialog Form(TwoAdapters());
    Form.Dialog.show();
    Form.Dialog.findChild<QPushButton *>("btnClose")->click();
    QVERIFY(!Form.Dialog.isVisible());
    QCOMPARE(Form.Dialog.result(), int(QDialog::Rejected));
}

QTEST_MAIN(TestFormImport)
#include "tst_FormImport.moc"
