#include "ui/widgets/IPEdit.h"
#include "ui/widgets/IPFieldEdit.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

namespace {

const int OutsideTheControl = -1;

// An address control between two other inputs, shown in an active window so that focus and
// typing behave as they do for a user.
struct TWindow
{
    QWidget Form;
    QLineEdit *Before = new QLineEdit(&Form);
    TIPEdit *Edit = new TIPEdit(&Form);
    QLineEdit *After = new QLineEdit(&Form);

    TWindow()
    {
        auto *layout = new QHBoxLayout(&Form);
        layout->addWidget(Before);
        layout->addWidget(Edit);
        layout->addWidget(After);
        Form.show();
        Form.activateWindow();
    }

    // Field texts as "IP1|IP2|IP3|IP4".
    QString Texts() const
    {
        return QStringList{Edit->IP1(), Edit->IP2(), Edit->IP3(), Edit->IP4()}.join('|');
    }
    void SetTexts(const QString &Texts)
    {
        const QStringList parts = Texts.split('|');
        for (int i = 0; i < 4; ++i)
            Edit->SetIP(i, parts.at(i));
    }
    int FocusedField() const
    {
        for (int i = 0; i < 4; ++i)
            if (Edit->Field(i)->hasFocus())
                return i;
        return OutsideTheControl;
    }
};

// Types Keys at whatever has the focus, as a keyboard would: "<" and ">" stand for the arrow
// keys, "\b" and "\t" for Backspace and Tab; every other character is typed as itself.
void Type(const QString &Keys)
{
    QString run;
    const auto flush = [&run] {
        QTest::keyClicks(nullptr, run);
        run.clear();
    };
    for (const QChar key : Keys) {
        if (key == '<' || key == '>') {
            flush();
            QTest::keyClick(static_cast<QWidget *>(nullptr), key == '<' ? Qt::Key_Left : Qt::Key_Right);
        } else {
            run += key;
        }
    }
    flush();
}

QColor PixelAt(QWidget *Widget, QPoint Point) { return Widget->grab().toImage().pixelColor(Point); }

} // namespace

class TestIPEdit : public QObject
{
    Q_OBJECT

private slots:
    void TypingFollowsTheFieldRules_data();
    void TypingFollowsTheFieldRules();
    void WrittenTextReadsBack_data();
    void WrittenTextReadsBack();
    void AFieldAboveItsRangeIsAnError();
    void ClearedFieldKeepsItsLastValue();
    void AddrHoldsTheFirstOctetInTheLowestByte();
    void IsValidLooksAtTheFirstThreeFields_data();
    void IsValidLooksAtTheFirstThreeFields();
    void OnChangeComesOnlyWithANewValue();
    void FieldRangeBoundsMoveEachOther();
    void DisablingShowsTheDisableColour();
    void FocusAndClicksLandInTheFirstField();
    void TabStopAndReadOnlyReachEveryField();
};

void TestIPEdit::TypingFollowsTheFieldRules_data()
{
    QTest::addColumn<QString>("start"); // field texts before typing
    QTest::addColumn<int>("field");     // the field that has the focus
    QTest::addColumn<int>("cursor");    // its cursor column
    QTest::addColumn<bool>("selOnActive");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("texts");   // field texts afterwards
    QTest::addColumn<QString>("address"); // IPString afterwards
    QTest::addColumn<int>("focus");       // the field with the focus afterwards
    QTest::addColumn<QString>("selected");

    QTest::newRow("fourth digit goes on and replaces the next field") << "|0|0|0" << 0 << 0 << false << "1921"
                                                                      << "192|1|0|0"
                                                                      << "192.1.0.0" << 1 << "";
    QTest::newRow("third digit selects the next field") << "|0|0|0" << 0 << 0 << false << "192"
                                                        << "192|0|0|0"
                                                        << "192.0.0.0" << 1 << "0";
    QTest::newRow("dot in an empty field does nothing") << "|0|0|0" << 0 << 0 << false << "."
                                                        << "|0|0|0"
                                                        << "0.0.0.0" << 0 << "";
    QTest::newRow("dot after one digit goes on") << "|0|0|0" << 0 << 0 << false << "1."
                                                 << "1|0|0|0"
                                                 << "1.0.0.0" << 1 << "0";
    QTest::newRow("dot after two digits goes on") << "|0|0|0" << 0 << 0 << false << "10."
                                                  << "10|0|0|0"
                                                  << "10.0.0.0" << 1 << "0";
    QTest::newRow("a short address typed with dots") << "|0|0|0" << 0 << 0 << false << "10.0.5.77"
                                                     << "10|0|5|77"
                                                     << "10.0.5.77" << 3 << "";
    QTest::newRow("dots after full fields are swallowed") << "|0|0|0" << 0 << 0 << false << "192.168.100.254"
                                                          << "192|168|100|254"
                                                          << "192.168.100.254" << 3 << "";
    QTest::newRow("dot on a selected field stays") << "10|20|30|40" << 0 << 2 << false << "\t."
                                                   << "10|20|30|40"
                                                   << "10.20.30.40" << 1 << "20";
    QTest::newRow("letters and blanks are ignored") << "|0|0|0" << 0 << 0 << false << "1a2 b-"
                                                    << "12|0|0|0"
                                                    << "12.0.0.0" << 0 << "";
    QTest::newRow("a full field takes no fourth digit") << "123|0|0|0" << 0 << 3 << false << "4"
                                                        << "123|0|0|0"
                                                        << "123.0.0.0" << 0 << "";
    QTest::newRow("three digits above 255 stay and do not go on") << "|0|0|0" << 0 << 0 << false << "300"
                                                                  << "300|0|0|0"
                                                                  << "255" << 0 << "";
    QTest::newRow("the last field goes nowhere") << "1|2|3|" << 3 << 0 << false << "254."
                                                 << "1|2|3|254"
                                                 << "1.2.3.254" << 3 << "";
    QTest::newRow("backspace at a field's start goes to the end of the previous one")
        << "10|20|30|40" << 2 << 0 << false << "\b"
        << "10|20|30|40"
        << "10.20.30.40" << 1 << "";
    QTest::newRow("backspace then deletes in the previous field")
        << "10|20|30|40" << 2 << 0 << false << "\b\b"
        << "10|2|30|40"
        << "10.2.30.40" << 1 << "";
    QTest::newRow("backspace at the first field's start does nothing")
        << "10|20|30|40" << 0 << 0 << false << "\b"
        << "10|20|30|40"
        << "10.20.30.40" << 0 << "";
    QTest::newRow("right arrow at the end goes to the next field's start")
        << "10|20|30|40" << 0 << 2 << false << ">1"
        << "10|120|30|40"
        << "10.120.30.40" << 1 << "";
    QTest::newRow("right arrow inside a field moves within it") << "10|20|30|40" << 0 << 0 << false << ">5"
                                                                << "150|20|30|40"
                                                                << "150.20.30.40" << 0 << "";
    QTest::newRow("left arrow at the start goes to the previous field's end")
        << "10|20|30|40" << 2 << 0 << false << "<5"
        << "10|205|30|40"
        << "10.205.30.40" << 2 << "30";
    QTest::newRow("right arrow at the last field's end stays") << "10|20|30|40" << 3 << 2 << false << ">"
                                                               << "10|20|30|40"
                                                               << "10.20.30.40" << 3 << "";
    QTest::newRow("arrows select the field they move to when asked") << "10|20|30|40" << 1 << 2 << true << ">"
                                                                     << "10|20|30|40"
                                                                     << "10.20.30.40" << 2 << "30";
    QTest::newRow("left arrow selects when asked") << "10|20|30|40" << 1 << 0 << true << "<"
                                                   << "10|20|30|40"
                                                   << "10.20.30.40" << 0 << "10";
    QTest::newRow("tab goes to the next field with its text selected")
        << "10|20|30|40" << 0 << 0 << false << "\t"
        << "10|20|30|40"
        << "10.20.30.40" << 1 << "20";
    QTest::newRow("a digit replaces the field tab selected") << "10|20|30|40" << 0 << 0 << false << "\t7"
                                                             << "10|7|30|40"
                                                             << "10.7.30.40" << 1 << "";
    QTest::newRow("tab leaves the control after the last field")
        << "10|20|30|40" << 0 << 0 << false << "\t\t\t\t"
        << "10|20|30|40"
        << "10.20.30.40" << OutsideTheControl << "";
    QTest::newRow("clearing a field keeps its value in the address")
        << "10|20|30|40" << 0 << 2 << false << "\t\b"
        << "10||30|40"
        << "10.20.30.40" << 1 << "";
}

void TestIPEdit::TypingFollowsTheFieldRules()
{
    QFETCH(QString, start);
    QFETCH(int, field);
    QFETCH(int, cursor);
    QFETCH(bool, selOnActive);
    QFETCH(QString, keys);
    TWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.Form));
    w.SetTexts(start);
    w.Edit->SetSelOnActive(selOnActive);
    w.Edit->Field(field)->setFocus();
    w.Edit->Field(field)->SetCurrentPosition(cursor);

    Type(keys);

    QTEST(w.Texts(), "texts");
    QTEST(w.Edit->IPString(), "address");
    QTEST(w.FocusedField(), "focus");
    if (w.FocusedField() != OutsideTheControl)
        QTEST(w.Edit->Field(w.FocusedField())->selectedText(), "selected");
    else
        QVERIFY(w.After->hasFocus());
}

void TestIPEdit::WrittenTextReadsBack_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    const QString unchanged = "10.20.30.40";
    QTest::newRow("well formed") << "192.168.0.1"
                                 << "192.168.0.1";
    QTest::newRow("zeros") << "0.0.0.0"
                           << "0.0.0.0";
    QTest::newRow("fourth octet 300") << "1.2.3.300"
                                      << "1.2.3.255";
    QTest::newRow("first octet letters") << "ab.2.3.4"
                                         << "255.2.3.4";
    QTest::newRow("empty octet") << "1..3.4"
                                 << "1.255.3.4";
    QTest::newRow("nothing after the third dot") << "1.2.3."
                                                 << "1.2.3.255";
    QTest::newRow("blank before a number") << " 1.2.3.4"
                                           << "255.2.3.4";
    QTest::newRow("leading zeros") << "010.002.003.004"
                                   << "10.2.3.4";
    QTest::newRow("text after the fourth octet's dot is ignored") << "1.2.3.4.5"
                                                                  << "1.2.3.4";
    QTest::newRow("empty text changes nothing") << "" << unchanged;
    QTest::newRow("three octets change nothing") << "1.2.3" << unchanged;
    QTest::newRow("dashes change nothing") << "1-2-3-4" << unchanged;
}

void TestIPEdit::WrittenTextReadsBack()
{
    QFETCH(QString, written);
    TIPEdit edit;
    edit.SetIPString("10.20.30.40");
    edit.SetText(written);
    QTEST(edit.IPString(), "read");
    QTEST(edit.Text(), "read");
    QVERIFY(!edit.Error());
    QCOMPARE(QStringList({edit.IP1(), edit.IP2(), edit.IP3(), edit.IP4()}).join('.'), edit.IPString());
}

void TestIPEdit::AFieldAboveItsRangeIsAnError()
{
    TIPEdit edit;
    edit.SetIPString("192.168.0.1");
    QSignalSpy errors(&edit, &TIPEdit::OnError);
    edit.SetIP3("300");
    QVERIFY(edit.Error());
    QVERIFY(edit.Field(2)->Error());
    QCOMPARE(edit.IPString(), QString("255"));
    QCOMPARE(edit.Addr(), 0u);
    QCOMPARE(edit.IP3(), QString("300"));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.first().first().toInt(), 2);

    edit.SetIP3("30");
    QVERIFY(!edit.Error());
    QCOMPARE(edit.IPString(), QString("192.168.30.1"));
}

void TestIPEdit::ClearedFieldKeepsItsLastValue()
{
    TIPEdit edit;
    edit.SetIPString("10.0.5.77");
    edit.SetIP4("");
    QCOMPARE(edit.IPString(), QString("10.0.5.77"));
    QCOMPARE(edit.IP4(), QString());
    QVERIFY(!edit.Error());
}

void TestIPEdit::AddrHoldsTheFirstOctetInTheLowestByte()
{
    TIPEdit edit;
    edit.SetIPString("192.168.0.1");
    QCOMPARE(edit.Addr(), 0x0100A8C0u);
    edit.SetAddr(0x04030201u);
    QCOMPARE(edit.IPString(), QString("1.2.3.4"));
    QCOMPARE(edit.IP4(), QString("4"));
}

void TestIPEdit::IsValidLooksAtTheFirstThreeFields_data()
{
    QTest::addColumn<QString>("texts");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ordinary") << "192|168|0|1" << true;
    QTest::newRow("first field 0") << "0|168|0|1" << false;
    QTest::newRow("first field 000") << "000|168|0|1" << false;
    QTest::newRow("second field above 255") << "10|256|0|1" << false;
    QTest::newRow("third field above 255") << "10|0|999|1" << false;
    QTest::newRow("fourth field not examined") << "10|0|0|999" << true;
    QTest::newRow("fourth field empty") << "10|0|0|" << true;
    QTest::newRow("empty field is no number") << "10||0|1" << false;
}

void TestIPEdit::IsValidLooksAtTheFirstThreeFields()
{
    QFETCH(QString, texts);
    TIPEdit edit;
    const QStringList parts = texts.split('|');
    for (int i = 0; i < 4; ++i)
        edit.SetIP(i, parts.at(i));
    QTEST(edit.IsValid(), "valid");
}

void TestIPEdit::OnChangeComesOnlyWithANewValue()
{
    TIPEdit edit;
    edit.SetIPString("10.0.0.1");
    QSignalSpy changes(&edit, &TIPEdit::OnChange);
    edit.SetIP4("1");
    edit.SetIP4("01");
    QCOMPARE(changes.count(), 0);
    edit.SetIP4("2");
    QCOMPARE(changes.count(), 1);
    edit.SetIP4("");
    QCOMPARE(changes.count(), 1);
}

void TestIPEdit::FieldRangeBoundsMoveEachOther()
{
    TIPEdit edit;
    TIPFieldEdit *field = edit.Field(0);
    field->SetMax(100);
    field->SetMin(150);
    QCOMPARE(int(field->Min()), 150);
    QCOMPARE(int(field->Max()), 150);
    field->SetMax(20);
    QCOMPARE(int(field->Min()), 20);
    field->setText("21");
    QVERIFY(field->Error());
    field->setText("20");
    QVERIFY(!field->Error());
    QCOMPARE(int(field->Value()), 20);
}

void TestIPEdit::DisablingShowsTheDisableColour()
{
    TWindow w;
    w.Edit->SetEnableColor(QColor(250, 250, 210));
    w.Edit->SetDisableColor(QColor(90, 90, 90));
    // Inside the border, above the fields.
    const QPoint margin(w.Edit->width() / 2, w.Edit->contentsRect().top());
    QCOMPARE(PixelAt(w.Edit, margin), QColor(250, 250, 210));
    w.Edit->setEnabled(false);
    QCOMPARE(PixelAt(w.Edit, margin), QColor(90, 90, 90));
    QCOMPARE(PixelAt(w.Edit->Field(0), QPoint(1, 1)), QColor(90, 90, 90));
    w.Edit->setEnabled(true);
    QCOMPARE(PixelAt(w.Edit, margin), QColor(250, 250, 210));
}

void TestIPEdit::FocusAndClicksLandInTheFirstField()
{
    TWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.Form));
    w.Edit->setFocus();
    QCOMPARE(w.FocusedField(), 0);

    w.Edit->Field(2)->setFocus();
    QTest::mouseClick(w.Edit, Qt::LeftButton, {}, QPoint(1, 1));
    QCOMPARE(w.FocusedField(), 2);

    w.Before->setFocus();
    QTest::mouseClick(w.Edit, Qt::LeftButton, {}, QPoint(1, 1));
    QCOMPARE(w.FocusedField(), 0);
}

void TestIPEdit::TabStopAndReadOnlyReachEveryField()
{
    TWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.Form));
    w.Edit->SetTabStop(false);
    w.Before->setFocus();
    Type("\t");
    QVERIFY(w.After->hasFocus());

    w.Edit->SetReadOnly(true);
    QVERIFY(w.Edit->ReadOnly());
    for (int i = 0; i < 4; ++i)
        QVERIFY(w.Edit->Field(i)->isReadOnly());
}

QTEST_MAIN(TestIPEdit)
#include "tst_IPEdit.moc"
