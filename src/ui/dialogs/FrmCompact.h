#pragma once

#include <QPoint>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class ICompactHost;
class QLabel;
class THvImage;

namespace Ui {
class TfrmCompact;
}

// The compact switcher panel: a borderless window in the shape of its own picture, offering the
// first five locations as lamps (the current one lit) that switch with one click, dragged by its
// background. Its small buttons hide it, go back to the main window or end the program. It
// shows the locations as they were when it was made, plus the switches made from it. The host
// must not destroy the panel while it calls the host (deleteLater does).
class TfrmCompact : public QWidget
{
    Q_OBJECT

public:
    static constexpr int LampCount = 5;

    explicit TfrmCompact(ICompactHost &Host, QWidget *parent = nullptr);
    ~TfrmCompact() override;

    // Id of the location whose lamp is lit; empty when none is.
    const QString &CurrentKey() const { return FCurrentKey; }

protected:
    bool event(QEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void ShapeToPicture();
    void ShowLocations();
    QPixmap LampPicture(bool Lit) const;
    void SetHoverPictures(THvImage *Button, const QString &Name);

    bool imgBgMouseDown(const QMouseEvent *Event);
    void ImgLightClick(THvImage *Lamp);
    void ImgLightMouseEnter(THvImage *Lamp);
    void ImgLightMouseLeave(THvImage *Lamp);
    void FormActivate();
    void imgMinClick();
    void imgRestoreClick();
    void imgCloseClick();

    ICompactHost &FHost;
    std::unique_ptr<Ui::TfrmCompact> ui;
    std::array<THvImage *, LampCount> FLights{};
    std::array<QLabel *, LampCount> FLightLabel{};
    QString FCurrentKey;
    // Where the pointer holds the window during a drag the window system does not run itself.
    std::optional<QPoint> FDragOffset;
};
