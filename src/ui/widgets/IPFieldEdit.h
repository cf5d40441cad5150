#pragma once

#include <QLineEdit>
#include <optional>

class TIPEdit;

// The whole decimal number Text holds when it lies within Min..Max; nothing for anything else
// (signs, blanks and other digits than 0 to 9 included).
std::optional<int> NumberInRange(const QString &Text, int Min, int Max);

// One octet field of a TIPEdit: digits only, at most three of them, validated on every change
// of its text. It moves the focus between the fields of its owner the way address entry does.
class TIPFieldEdit : public QLineEdit
{
    Q_OBJECT

public:
    // Index is the field's place in Owner, 0 to 3; the field is a child of Owner.
    TIPFieldEdit(TIPEdit *Owner, int Index);

    int Index() const { return FIndex; }
    // The last accepted value; setting it also shows it as the field's text.
    quint8 Value() const { return FValue; }
    void SetValue(quint8 Value);
    // The accepted range, 0 to 255 at first; each setter moves the other bound along when the
    // range would be empty.
    quint8 Min() const { return FMin; }
    void SetMin(quint8 Value);
    quint8 Max() const { return FMax; }
    void SetMax(quint8 Value);
    // True while the text is not a whole number within Min..Max.
    bool Error() const { return FError; }
    // Column of the cursor; setting it clamps to the text and clears the selection.
    int CurrentPosition() const { return cursorPosition(); }
    void SetCurrentPosition(int Value);

signals:
    // The accepted value changed.
    void ValueChanged();
    // The text became something the field cannot accept; carries the field's index.
    void Invalid(int Index);

protected:
    void keyPressEvent(QKeyEvent *Event) override;

private:
    void Validate();
    void MoveOnWhenFull();
    void TypeDot();
    bool IsRejectedCharacter(const QKeyEvent *Event) const;

    TIPEdit *FOwner;
    int FIndex;
    quint8 FValue = 0;
    quint8 FMin = 0;
    quint8 FMax = 255;
    bool FError = false;
};
