#include "ui/widgets/HvImage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

THvImage::THvImage(QWidget *parent) : QLabel(parent) {}

void THvImage::SetMouseLeavePicture(const QPixmap &Value)
{
    FMouseLeavePicture = Value;
    setPixmap(Value);
}

void THvImage::enterEvent(QEnterEvent *Event)
{
    QLabel::enterEvent(Event);
    setPixmap(FMouseEnterPicture);
    emit OnMouseEnter();
}

void THvImage::leaveEvent(QEvent *Event)
{
    QLabel::leaveEvent(Event);
    setPixmap(FMouseLeavePicture);
    emit OnMouseLeave();
}

// Taken here so the press does not reach the window beneath, which would start a drag.
void THvImage::mousePressEvent(QMouseEvent *Event) { Event->setAccepted(Event->button() == Qt::LeftButton); }

void THvImage::mouseReleaseEvent(QMouseEvent *Event)
{
    if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()))
        emit OnClick();
}

// A label would grey a disabled picture out; a lamp without a location shows its own picture.
void THvImage::paintEvent(QPaintEvent *)
{
    const QPixmap shown = pixmap();
    if (shown.isNull())
        return;
    QPainter painter(this);
    const QSize size = shown.deviceIndependentSize().toSize();
    painter.drawPixmap(QStyle::alignedRect(layoutDirection(), alignment(), size, contentsRect()), shown);
}
