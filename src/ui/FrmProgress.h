#pragma once

#include "locations/SwitchReport.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace Ui {
class TFrmProgress;
}

// The window shown while a long operation runs: an animated picture and a caption, and during a
// switch every step as it starts and ends. It lets pending events run whenever it changes, so it
// paints even while the work itself runs on the event loop's thread.
class TFrmProgress : public QWidget, public ISwitchObserver
{
    Q_OBJECT

public:
    // Centred on Owner while Owner is visible, else on the screen; Owner does not own it.
    explicit TFrmProgress(const QWidget *Owner, const QString &Caption);
    ~TFrmProgress() override;

    QString Caption() const;
    // The steps that ended so far, in order.
    const TSwitchReport &Steps() const { return FSteps; }

    void StepStarted(const QString &Name) override;
    void StepFinished(const TSwitchStep &Step) override;

    // Shows the window where it belongs and lets it paint.
    void ShowNow();

private:
    void Animate();
    void Fit();

    std::unique_ptr<Ui::TFrmProgress> ui;
    const QWidget *FOwner;
    QPixmap FPicture;
    QTimer FAnimation;
    int FAngle = 0;
    TSwitchReport FSteps;
};
