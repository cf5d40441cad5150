#include "ui/FrmProgress.h"
#include "ui_FrmProgress.h"

#include "ui/Pictures.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QPainter>
#include <QScreen>

namespace {

const int AnimationStepMs = 90;
const int AnimationStepDegrees = 45;
const int PictureSize = 24;
const int VisibleSteps = 12;

QString StepLine(const TSwitchStep &Step)
{
    return Step.Reason.isEmpty() ? Step.Name : Step.Name + QStringLiteral(": ") + Step.Reason;
}

} // namespace

TFrmProgress::TFrmProgress(const QWidget *Owner, const QString &Caption)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::TFrmProgress>()), FOwner(Owner),
      FPicture(Picture(QStringLiteral("spinner")).pixmap(PictureSize, PictureSize))
{
    ui->setupUi(this);
    ui->lblCaption->setText(Caption);
    ui->imgAnimate->setPixmap(FPicture);
    ui->lstSteps->hide();
    connect(&FAnimation, &QTimer::timeout, this, &TFrmProgress::Animate);
    FAnimation.start(AnimationStepMs);
    QCoreApplication::processEvents();
}

TFrmProgress::~TFrmProgress() = default;

QString TFrmProgress::Caption() const { return ui->lblCaption->text(); }

void TFrmProgress::ShowNow()
{
    Fit();
    show();
    raise();
    QCoreApplication::processEvents();
}

void TFrmProgress::StepStarted(const QString &Name)
{
    auto *Item = new QListWidgetItem(Picture(QStringLiteral("step-running")), Name, ui->lstSteps);
    ui->lstSteps->scrollToItem(Item);
    if (ui->lstSteps->isHidden()) {
        ui->lstSteps->show();
        Fit();
    }
    QCoreApplication::processEvents();
}

void TFrmProgress::StepFinished(const TSwitchStep &Step)
{
    static const char *const Pictures[] = {"step-done", "step-failed", "step-skipped"};
    FSteps.append(Step);
    QListWidgetItem *Item = ui->lstSteps->item(ui->lstSteps->count() - 1);
    if (!Item || Item->text() != Step.Name)
        Item = new QListWidgetItem(ui->lstSteps);
    Item->setIcon(Picture(QLatin1String(Pictures[Step.Outcome])));
    Item->setText(StepLine(Step));
    Item->setToolTip(StepText(Step));
    QCoreApplication::processEvents();
}

// The caption alone, or the caption above a list tall enough for a whole switch; centred on the
// owner, or on the screen while the owner is hidden (a switch from the tray).
void TFrmProgress::Fit()
{
    if (ui->lstSteps->isVisible())
        ui->lstSteps->setFixedHeight(ui->lstSteps->sizeHintForRow(0) * VisibleSteps +
                                     2 * ui->lstSteps->frameWidth());
    setFixedSize(width(), sizeHint().height());
    const QRect Around = FOwner && FOwner->isVisible()
                             ? FOwner->frameGeometry()
                             : QGuiApplication::primaryScreen()->availableGeometry();
    move(Around.center() - rect().center());
}

void TFrmProgress::Animate()
{
    FAngle = (FAngle + AnimationStepDegrees) % 360;
    QPixmap Frame(FPicture.size());
    Frame.setDevicePixelRatio(FPicture.devicePixelRatio());
    Frame.fill(Qt::transparent);
    QPainter Painter(&Frame);
    Painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF Middle(PictureSize / 2.0, PictureSize / 2.0);
    Painter.translate(Middle);
    Painter.rotate(FAngle);
    Painter.translate(-Middle);
    Painter.drawPixmap(0, 0, FPicture);
    Painter.end();
    ui->imgAnimate->setPixmap(Frame);
}
