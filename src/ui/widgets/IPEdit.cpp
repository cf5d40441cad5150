#include "ui/widgets/IPEdit.h"

#include "ui/widgets/IPFieldEdit.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <qdrawutil.h>

namespace {

constexpr int DefaultWidth = 125;
constexpr int DefaultHeight = 21;
constexpr int FontPoints = 9;
constexpr int DotPoints = 18;
constexpr int FrameWidth = 2;
// What IPString reads while a field holds something it cannot accept.
const QString ErrorText = QStringLiteral("255");

// Field width and the gap between fields for the control's font.
int FieldWidth(const QFont &Font) { return 3 * Font.pointSize(); }
int FieldGap(int Width) { return Width / 9 + 1; }

// The octet of dotted text as IPString's write takes it: 255 for anything but 0..255.
quint8 OctetOrMax(const QString &Text)
{
    return static_cast<quint8>(NumberInRange(Text, 0, 255).value_or(255));
}

} // namespace

TIPEdit::TIPEdit(QWidget *parent) : QWidget(parent)
{
    for (int i = 0; i < int(FFields.size()); ++i) {
        FFields[i] = new TIPFieldEdit(this, i);
        connect(FFields[i], &TIPFieldEdit::ValueChanged, this, &TIPEdit::OnChange);
        connect(FFields[i], &TIPFieldEdit::Invalid, this, &TIPEdit::OnError);
    }
    // The fields take it on.
    QFont own = font();
    own.setPointSize(FontPoints);
    own.setBold(true);
    setFont(own);
    // The control passes its focus on to the first field; Tab walks the fields themselves.
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(FFields.front());
    SetTabStop(true);
    SetCursor(Qt::IBeamCursor);
    FEnableColor = palette().color(QPalette::Base);
    FDisableColor = palette().color(QPalette::Button);
    ApplyColor();
    // Layouts keep it at its designed size, as a form would.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    resize(DefaultWidth, DefaultHeight);
    SetBorderStyle(bsSingle);
}

QSize TIPEdit::sizeHint() const { return {DefaultWidth, DefaultHeight}; }

QString TIPEdit::IPString() const
{
    if (Error())
        return ErrorText;
    QStringList octets;
    for (const TIPFieldEdit *field : FFields)
        octets << QString::number(field->Value());
    return octets.join(QLatin1Char('.'));
}

void TIPEdit::SetIPString(const QString &Value)
{
    std::array<quint8, 4> octets{};
    qsizetype start = 0;
    for (int i = 0; i < int(octets.size()); ++i) {
        const qsizetype dot = Value.indexOf(QLatin1Char('.'), start);
        const bool last = i == int(octets.size()) - 1;
        if (dot < 0 && !last)
            return;
        octets[i] = OctetOrMax(Value.mid(start, dot < 0 ? -1 : dot - start));
        start = dot + 1;
    }
    for (int i = 0; i < int(octets.size()); ++i)
        FFields[i]->SetValue(octets[i]);
}

QString TIPEdit::IP(int Field) const { return FFields.at(Field)->text(); }

void TIPEdit::SetIP(int Field, const QString &Value) { FFields.at(Field)->setText(Value); }

quint32 TIPEdit::Addr() const
{
    if (Error())
        return 0;
    quint32 address = 0;
    for (int i = int(FFields.size()) - 1; i >= 0; --i)
        address = (address << 8) | FFields[i]->Value();
    return address;
}

void TIPEdit::SetAddr(quint32 Value)
{
    for (TIPFieldEdit *field : FFields) {
        field->SetValue(static_cast<quint8>(Value & 0xFF));
        Value >>= 8;
    }
}

bool TIPEdit::Error() const
{
    return std::any_of(FFields.cbegin(), FFields.cend(),
                       [](const TIPFieldEdit *field) { return field->Error(); });
}

bool TIPEdit::IsValid() const
{
    for (int i = 0; i < 3; ++i) {
        const auto octet = NumberInRange(FFields[i]->text(), 0, 255);
        if (!octet || (i == 0 && *octet == 0))
            return false;
    }
    return true;
}

bool TIPEdit::ReadOnly() const { return FFields.front()->isReadOnly(); }

void TIPEdit::SetReadOnly(bool Value)
{
    for (TIPFieldEdit *field : FFields)
        field->setReadOnly(Value);
}

void TIPEdit::SetTabStop(bool Value)
{
    FTabStop = Value;
    for (TIPFieldEdit *field : FFields)
        field->setFocusPolicy(Value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TIPEdit::SetCursor(const QCursor &Value)
{
    setCursor(Value);
    for (TIPFieldEdit *field : FFields)
        field->setCursor(Value);
}

void TIPEdit::SetEnableColor(const QColor &Value)
{
    FEnableColor = Value;
    ApplyColor();
}

void TIPEdit::SetDisableColor(const QColor &Value)
{
    FDisableColor = Value;
    ApplyColor();
}

void TIPEdit::SetBorderStyle(TBorderStyle Value)
{
    FBorderStyle = Value;
    const int margin = Value == bsSingle ? FrameWidth : 0;
    setContentsMargins(margin, margin, margin, margin);
    LayoutFields();
    update();
}

int TIPEdit::FocusedField() const
{
    for (int i = 0; i < int(FFields.size()); ++i)
        if (FFields[i]->hasFocus())
            return i;
    return -1;
}

void TIPEdit::ActiveNextField(bool Sel)
{
    const int focused = FocusedField();
    if (focused < 0 || focused == int(FFields.size()) - 1)
        return;
    TIPFieldEdit *target = FFields[focused + 1];
    target->setFocus(Qt::OtherFocusReason);
    if (Sel)
        target->selectAll();
    else
        target->SetCurrentPosition(0);
}

void TIPEdit::ActivePrevField(bool Sel)
{
    const int focused = FocusedField();
    if (focused <= 0)
        return;
    TIPFieldEdit *target = FFields[focused - 1];
    target->setFocus(Qt::OtherFocusReason);
    if (Sel)
        target->selectAll();
    else
        target->SetCurrentPosition(int(target->text().size()));
}

// Fields of three times the font's point size, centred with their gaps in the control, their
// text on the line the dots are drawn on. Places count from inside the border, and a field
// never covers the border.
void TIPEdit::LayoutFields()
{
    const int width = FieldWidth(font());
    const int gap = FieldGap(width);
    const int fontHeight = QFontInfo(font()).pixelSize();
    const QRect inside = contentsRect();
    const int top = inside.top() + (height() - fontHeight - 6) / 2 + 1;
    int left = inside.left() + (this->width() - 4 * width - 3 * gap - 4) / 2;
    for (TIPFieldEdit *field : FFields) {
        field->setGeometry(QRect(left, top, width, height() - 2).intersected(inside));
        left += width + gap;
    }
}

void TIPEdit::ApplyColor()
{
    const QColor color = isEnabled() ? FEnableColor : FDisableColor;
    QPalette colours = palette();
    // Every colour group, so the disabled fields show it as well.
    colours.setColor(QPalette::Window, color);
    colours.setColor(QPalette::Base, color);
    setPalette(colours);
    update();
}

void TIPEdit::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (FBorderStyle == bsSingle)
        qDrawWinPanel(&painter, rect(), palette(), true);
    QFont dotFont = font();
    dotFont.setPointSize(DotPoints);
    dotFont.setBold(true);
    painter.setFont(dotFont);
    painter.setPen(palette().color(QPalette::Text));
    const int width = FieldWidth(font());
    const int top = FFields.front()->y() + width / 3 - DotPoints;
    // Centred in each gap: a dot wider than its gap would otherwise hide under the next field.
    for (int i = 0; i + 1 < int(FFields.size()); ++i) {
        const int gapLeft = FFields[i]->geometry().right() + 1;
        const QRect gap(gapLeft, top, FFields[i + 1]->x() - gapLeft, height() - top);
        painter.drawText(gap, Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, QStringLiteral("."));
    }
}

void TIPEdit::resizeEvent(QResizeEvent *Event)
{
    QWidget::resizeEvent(Event);
    LayoutFields();
    update();
}

void TIPEdit::moveEvent(QMoveEvent *Event)
{
    QWidget::moveEvent(Event);
    update();
}

void TIPEdit::changeEvent(QEvent *Event)
{
    QWidget::changeEvent(Event);
    if (Event->type() == QEvent::EnabledChange)
        ApplyColor();
    else if (Event->type() == QEvent::FontChange)
        LayoutFields();
}

void TIPEdit::mousePressEvent(QMouseEvent *Event)
{
    if (Event->button() == Qt::LeftButton && FocusedField() < 0)
        FFields.front()->setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(Event);
}
