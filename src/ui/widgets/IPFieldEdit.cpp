#include "ui/widgets/IPFieldEdit.h"

#include "ui/widgets/IPEdit.h"

#include <QKeyEvent>
#include <algorithm>

namespace {

constexpr int MaxDigits = 3;

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

} // namespace

std::optional<int> NumberInRange(const QString &Text, int Min, int Max)
{
    if (Text.isEmpty() || !std::all_of(Text.cbegin(), Text.cend(), IsDigit))
        return std::nullopt;
    bool ok = false;
    const int number = Text.toInt(&ok);
    // A number too long for an int is out of any octet's range as well.
    if (!ok || number < Min || number > Max)
        return std::nullopt;
    return number;
}

TIPFieldEdit::TIPFieldEdit(TIPEdit *Owner, int Index) : QLineEdit(Owner), FOwner(Owner), FIndex(Index)
{
    setFrame(false);
    setAlignment(Qt::AlignCenter);
    setMaxLength(MaxDigits);
    setText(QStringLiteral("0"));
    connect(this, &QLineEdit::textChanged, this, &TIPFieldEdit::Validate);
    connect(this, &QLineEdit::textEdited, this, &TIPFieldEdit::MoveOnWhenFull);
}

void TIPFieldEdit::SetValue(quint8 Value)
{
    FValue = Value;
    setText(QString::number(Value));
}

void TIPFieldEdit::SetMin(quint8 Value)
{
    FMin = Value;
    FMax = std::max(FMax, FMin);
}

void TIPFieldEdit::SetMax(quint8 Value)
{
    FMax = Value;
    FMin = std::min(FMin, FMax);
}

void TIPFieldEdit::SetCurrentPosition(int Value)
{
    setCursorPosition(std::clamp(Value, 0, static_cast<int>(text().size())));
}

// An empty field is left as it was: the user is about to type its number.
void TIPFieldEdit::Validate()
{
    const QString typed = text();
    if (typed.isEmpty())
        return;
    const auto number = NumberInRange(typed, FMin, FMax);
    FError = !number;
    if (FError) {
        emit Invalid(FIndex);
        return;
    }
    if (*number != FValue) {
        FValue = static_cast<quint8>(*number);
        emit ValueChanged();
    }
}

// Only typing hands a full field over to the next one; a text the program sets stays put.
void TIPFieldEdit::MoveOnWhenFull()
{
    const QString typed = text();
    if (typed.size() == MaxDigits && cursorPosition() == MaxDigits && NumberInRange(typed, FMin, FMax))
        FOwner->ActiveNextField(true);
}

void TIPFieldEdit::TypeDot()
{
    if (!hasSelectedText() && !text().isEmpty())
        FOwner->ActiveNextField(true);
}

// Printable characters other than digits, and the shortcuts that would bring other text in or
// take text out behind the digits rule's back.
bool TIPFieldEdit::IsRejectedCharacter(const QKeyEvent *Event) const
{
    const QString typed = Event->text();
    if (!typed.isEmpty() && typed.front().isPrint())
        return !std::all_of(typed.cbegin(), typed.cend(), IsDigit);
    return Event->matches(QKeySequence::Paste) || Event->matches(QKeySequence::Cut) ||
           Event->matches(QKeySequence::Undo) || Event->matches(QKeySequence::Redo);
}

void TIPFieldEdit::keyPressEvent(QKeyEvent *Event)
{
    // By its text, so the keypad's dot counts as well.
    if (Event->text() == QLatin1String(".")) {
        TypeDot();
        return;
    }
    switch (Event->key()) {
    case Qt::Key_Right:
        if (cursorPosition() >= text().size()) {
            deselect();
            FOwner->ActiveNextField(FOwner->SelOnActive());
            return;
        }
        break;
    case Qt::Key_Left:
        if (cursorPosition() == 0) {
            deselect();
            FOwner->ActivePrevField(FOwner->SelOnActive());
            return;
        }
        break;
    case Qt::Key_Backspace:
        if (cursorPosition() == 0 && !hasSelectedText()) {
            FOwner->ActivePrevField(false);
            return;
        }
        break;
    default:
        if (IsRejectedCharacter(Event)) {
            Event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(Event);
}
