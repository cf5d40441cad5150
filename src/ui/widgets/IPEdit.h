#pragma once

#include <QColor>
#include <QWidget>
#include <array>

class TIPFieldEdit;

// An IPv4 address input: one framed control holding four octet fields with dots drawn between
// them. Every field stays within 0..255 as it is typed; the cursor moves between fields the
// way address entry does ("." and a third digit go on, Backspace and the arrows go back and
// forth at a field's edges). The address reads as dotted text, as four field texts and as a
// number whose lowest byte is the first octet.
class TIPEdit : public QWidget
{
    Q_OBJECT

public:
    enum TBorderStyle { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)

    explicit TIPEdit(QWidget *parent = nullptr);

    // The accepted values of the four fields as dotted text; "255" while any field is in
    // error. A field whose text was cleared still gives its last accepted value.
    QString IPString() const;
    // Sets the four fields at once from dotted text; an octet that is no number in 0..255
    // becomes 255. Text without a "." after each of the first three octets changes nothing;
    // text after the fourth octet's "." is ignored.
    void SetIPString(const QString &Value);
    QString Text() const { return IPString(); }
    void SetText(const QString &Value) { SetIPString(Value); }
    // The texts of the fields as shown (empty or invalid ones too); Field is 0 to 3. Writing
    // one validates it as typing would.
    QString IP(int Field) const;
    void SetIP(int Field, const QString &Value);
    QString IP1() const { return IP(0); }
    QString IP2() const { return IP(1); }
    QString IP3() const { return IP(2); }
    QString IP4() const { return IP(3); }
    void SetIP1(const QString &Value) { SetIP(0, Value); }
    void SetIP2(const QString &Value) { SetIP(1, Value); }
    void SetIP3(const QString &Value) { SetIP(2, Value); }
    void SetIP4(const QString &Value) { SetIP(3, Value); }
    // 0 while any field is in error; the first octet is the lowest byte.
    quint32 Addr() const;
    void SetAddr(quint32 Value);
    // True while any field is in error.
    bool Error() const;
    // False when the first field holds 0, or any of the first three is no number or above
    // 255; the fourth is not looked at.
    bool IsValid() const;

    bool ReadOnly() const;
    void SetReadOnly(bool Value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);
    void SetCursor(const QCursor &Value);
    // Background while enabled (the window colour at creation) and while disabled (the
    // button face colour).
    QColor EnableColor() const { return FEnableColor; }
    void SetEnableColor(const QColor &Value);
    QColor DisableColor() const { return FDisableColor; }
    void SetDisableColor(const QColor &Value);
    // Whether the arrow keys select the whole text of the field they move to.
    bool SelOnActive() const { return FSelOnActive; }
    void SetSelOnActive(bool Value) { FSelOnActive = Value; }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);

    // Moves the focus from the focused field to the next (previous) one, which gets its whole
    // text selected when Sel is set, else the cursor at its start (end). Nothing happens from
    // the last (first) field or when no field has the focus.
    void ActiveNextField(bool Sel);
    void ActivePrevField(bool Sel);

    TIPFieldEdit *Field(int Index) const { return FFields.at(Index); }
    QSize sizeHint() const override;

signals:
    // A field's accepted value changed.
    void OnChange();
    // A field's text became something it cannot accept.
    void OnError(int Field);

protected:
    void paintEvent(QPaintEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void moveEvent(QMoveEvent *Event) override;
    void changeEvent(QEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;

private:
    int FocusedField() const;
    void LayoutFields();
    void ApplyColor();

    std::array<TIPFieldEdit *, 4> FFields{};
    QColor FEnableColor;
    QColor FDisableColor;
    bool FSelOnActive = false;
    bool FTabStop = true;
    TBorderStyle FBorderStyle = bsSingle;
};
