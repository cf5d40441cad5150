#include "ui/dialogs/FrmCompact.h"
#include "ui_FrmCompact.h"

#include "app/Startup.h"
#include "app/uLanguages.h"
#include "locations/Location.h"
#include "ui/CompactHost.h"
#include "ui/widgets/HvImage.h"
#include "ui/widgets/ProgramPictures.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <algorithm>

namespace {

// The colour of the background picture that is not part of the panel.
const QColor TransparentColour(255, 0, 0);
const QColor NameColour(0xFF, 0xFB, 0xF0);
const QColor NumberColour(0xC0, 0xC0, 0xC0);

// By the label's own style sheet, which a skin's style sheet does not override.
void SetTextColour(QLabel *Label, const QColor &Colour)
{
    Label->setStyleSheet(QStringLiteral("color: %1").arg(Colour.name()));
}

} // namespace

TfrmCompact::TfrmCompact(ICompactHost &Host, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), FHost(Host),
      ui(std::make_unique<Ui::TfrmCompact>())
{
    ui->setupUi(this);
    setWindowTitle(ApplicationTitle);
    FLights = {ui->ImgLight1, ui->ImgLight2, ui->ImgLight3, ui->ImgLight4, ui->ImgLight5};
    FLightLabel = {ui->lblLight1, ui->lblLight2, ui->lblLight3, ui->lblLight4, ui->lblLight5};
    ui->ImgLightOn->setPixmap(ProgramPicture(QStringLiteral("LightOn.png")));
    ui->ImgLightOff->setPixmap(ProgramPicture(QStringLiteral("LightOff.png")));
    ShapeToPicture();
    SetHoverPictures(ui->imgMin, QStringLiteral("BtnMin"));
    SetHoverPictures(ui->imgRestore, QStringLiteral("BtnRestore"));
    SetHoverPictures(ui->imgClose, QStringLiteral("BtnClose"));
    connect(ui->imgMin, &THvImage::OnClick, this, &TfrmCompact::imgMinClick);
    connect(ui->imgRestore, &THvImage::OnClick, this, &TfrmCompact::imgRestoreClick);
    connect(ui->imgClose, &THvImage::OnClick, this, &TfrmCompact::imgCloseClick);
    for (THvImage *lamp : FLights) {
        lamp->SetMouseLeavePicture(LampPicture(false));
        connect(lamp, &THvImage::OnClick, this, [this, lamp] { ImgLightClick(lamp); });
        connect(lamp, &THvImage::OnMouseEnter, this, [this, lamp] { ImgLightMouseEnter(lamp); });
        connect(lamp, &THvImage::OnMouseLeave, this, [this, lamp] { ImgLightMouseLeave(lamp); });
    }
    ShowLocations();
    ui->imgBg->installEventFilter(this);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfrmCompact::~TfrmCompact() = default;

// The window takes the size of its background and loses the picture's red parts.
void TfrmCompact::ShapeToPicture()
{
    const QPixmap background = ProgramPicture(QStringLiteral("CompactBg.png"));
    ui->imgBg->setPixmap(background);
    ui->imgBg->resize(background.size());
    setFixedSize(background.size());
    setMask(background.createMaskFromColor(TransparentColour, Qt::MaskInColor));
}

void TfrmCompact::SetHoverPictures(THvImage *Button, const QString &Name)
{
    Button->SetMouseEnterPicture(ProgramPicture(Name + QStringLiteral("Hover.png")));
    Button->SetMouseLeavePicture(ProgramPicture(Name + QStringLiteral(".png")));
}

void TfrmCompact::ShowLocations()
{
    const QString number = GetLangStr(QStringLiteral("EN"), QStringLiteral("9"), QStringLiteral("LOC"));
    for (int i = 0; i < LampCount; ++i) {
        FLightLabel[i]->setText(number + QString::number(i + 1));
        SetTextColour(FLightLabel[i], NumberColour);
    }
    const TLocationList *locations = FHost.Locations();
    if (!locations)
        return;
    const int shown = std::min(locations->Count(), LampCount);
    for (int i = 0; i < shown; ++i) {
        const TLocation *location = locations->Items(i);
        THvImage *lamp = FLights[i];
        lamp->setEnabled(true);
        lamp->SetKey(location->LocId());
        lamp->setToolTip(location->LocName());
        if (location == locations->CurrentLocation()) {
            lamp->setPixmap(LampPicture(true));
            FCurrentKey = location->LocId();
        }
        FLightLabel[i]->setText(location->LocName());
        SetTextColour(FLightLabel[i], NameColour);
    }
}

QPixmap TfrmCompact::LampPicture(bool Lit) const
{
    return (Lit ? ui->ImgLightOn : ui->ImgLightOff)->pixmap();
}

void TfrmCompact::ImgLightClick(THvImage *Lamp)
{
    if (!Lamp->isEnabled() || !FHost.SwitchTo(Lamp->Key()))
        return;
    FCurrentKey = Lamp->Key();
    for (THvImage *lamp : FLights)
        lamp->setPixmap(LampPicture(lamp->Key() == FCurrentKey));
}

void TfrmCompact::ImgLightMouseEnter(THvImage *Lamp) { Lamp->setPixmap(LampPicture(Lamp->isEnabled())); }

void TfrmCompact::ImgLightMouseLeave(THvImage *Lamp)
{
    Lamp->setPixmap(LampPicture(Lamp->isEnabled() && Lamp->Key() == FCurrentKey));
}

void TfrmCompact::FormActivate() { FHost.HideMainWindow(); }

void TfrmCompact::imgMinClick() { hide(); }

void TfrmCompact::imgRestoreClick()
{
    close();
    FHost.ShowMainWindow();
}

void TfrmCompact::imgCloseClick()
{
    close();
    FHost.CloseMainWindow();
}

bool TfrmCompact::event(QEvent *Event)
{
    if (Event->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(Event);
}

// A press on the background moves the window as its title bar would: by the window system
// where it offers that, else by following the pointer until the button is released.
bool TfrmCompact::imgBgMouseDown(const QMouseEvent *Event)
{
    if (Event->button() != Qt::LeftButton)
        return false;
    if (windowHandle() && windowHandle()->startSystemMove())
        return true;
    FDragOffset = Event->globalPosition().toPoint() - pos();
    return true;
}

bool TfrmCompact::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched != ui->imgBg)
        return QWidget::eventFilter(Watched, Event);
    switch (Event->type()) {
    case QEvent::MouseButtonPress:
        return imgBgMouseDown(static_cast<QMouseEvent *>(Event));
    case QEvent::MouseMove:
        if (FDragOffset)
            move(static_cast<QMouseEvent *>(Event)->globalPosition().toPoint() - *FDragOffset);
        return FDragOffset.has_value();
    case QEvent::MouseButtonRelease:
        FDragOffset.reset();
        return false;
    default:
        return false;
    }
}
