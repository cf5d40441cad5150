#pragma once

#include <QLabel>
#include <QPixmap>

// A picture that swaps its picture while the pointer is over it: the enter picture on entering,
// the leave picture on leaving (an empty picture when none was given). Key is free text its
// owner attaches to it. The picture is drawn as it is, also while the control is disabled.
class THvImage : public QLabel
{
    Q_OBJECT

public:
    explicit THvImage(QWidget *parent = nullptr);

    const QPixmap &MouseEnterPicture() const { return FMouseEnterPicture; }
    void SetMouseEnterPicture(const QPixmap &Value) { FMouseEnterPicture = Value; }
    // Also shown at once.
    const QPixmap &MouseLeavePicture() const { return FMouseLeavePicture; }
    void SetMouseLeavePicture(const QPixmap &Value);
    const QString &Key() const { return FKey; }
    void SetKey(const QString &Value) { FKey = Value; }

signals:
    // After the picture changed.
    void OnMouseEnter();
    void OnMouseLeave();
    // A left click released over the picture.
    void OnClick();

protected:
    void enterEvent(QEnterEvent *Event) override;
    void leaveEvent(QEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void paintEvent(QPaintEvent *Event) override;

private:
    QPixmap FMouseEnterPicture;
    QPixmap FMouseLeavePicture;
    QString FKey;
};
