#include "ui/FrameLocation.h"
#include "ui_FrameLocation.h"

#include "app/IdGen.h"
#include "app/uLanguages.h"
#include "locations/Location.h"
#include "platform/MessageBox.h"
#include "ui/AppActions.h"

TFrameLocation::TFrameLocation(TLocationList &Locations, QWidget *parent)
    : QFrame(parent), ui(std::make_unique<Ui::TFrameLocation>()), FLocations(Locations)
{
    ui->setupUi(this);
    ApplyLanguage(this, QStringLiteral("EN"));
    connect(ui->btnApply, &QPushButton::clicked, this, &TFrameLocation::btnApplyClick);
    ShowPageSheet();
}

TFrameLocation::~TFrameLocation() = default;

TLocation *TFrameLocation::Location()
{
    if (!FLocation) {
        FLocation = FLocations.GetItemByLocId(FLocId);
        if (!FLocation) {
            FNewLocation = FLocations.NewLocation(GenerateId(32));
            FLocation = FNewLocation.get();
        }
    }
    return FLocation;
}

void TFrameLocation::DoShow()
{
    QString Name = Location()->LocName();
    if (Name.isEmpty())
        Name = GetLangStr(QStringLiteral("EN"), QStringLiteral("7"), QStringLiteral("New Location"));
    ui->txtLocName->setText(Name);
    ui->slblLocName->setText(Name);
    show();
}

QString TFrameLocation::LocNameText() const { return ui->txtLocName->text(); }

bool TFrameLocation::Save()
{
    if (ui->txtLocName->text().trimmed().isEmpty()) {
        TMessageBox::Show(GetLangStr("EN", "105", "Please Enter Location Name!"), QStringLiteral("Error"),
                          TMsgIcon::Error);
        ui->pcLocation->setCurrentWidget(ui->tsIP);
        ui->txtLocName->setFocus();
        return false;
    }
    TLocation *Stored = Location();
    Stored->SetLocName(ui->txtLocName->text());
    Stored->Save();
    if (FNewLocation)
        FLocations.Add(std::move(FNewLocation));
    ui->slblLocName->setText(Stored->LocName());
    FIsChanged = false;
    if (FOnApply)
        FOnApply(FLocId);
    return true;
}

void TFrameLocation::btnApplyClick()
{
    if (Save())
        TMessageBox::Show(GetLangStr("EN", "111", "Save OK!"), QStringLiteral("Info"), TMsgIcon::Information);
}
