#include "ui/AutoSwitchTray.h"

#include "app/uConfig.h"
#include "app/uLanguages.h"
#include "locations/Location.h"
#include "locations/NMFingerprint.h"
#include "locations/RuleCandidates.h"

#include <QDBusConnection>
#include <QInputDialog>
#include <QSystemTrayIcon>

namespace {

const QString Lang = QStringLiteral("EN");

QString RulesText(const QList<TLocationRule> &Rules)
{
    QStringList Texts;
    for (const TLocationRule &Rule : Rules)
        Texts.append(RuleWords(Rule).join(QLatin1Char(' ')));
    return Texts.join(QStringLiteral(", "));
}

} // namespace

TAutoSwitchTray::TAutoSwitchTray(const TLocationList &List, QSystemTrayIcon &Tray, TSwitch Switch,
                                 QWidget *Owner, TAutoWatchSetup Setup)
    : FList(List), FTray(Tray), FSwitch(std::move(Switch)), FOwner(Owner), FSetup(std::move(Setup))
{
    if (!FSetup.MakeSource)
        FSetup.MakeSource = [] {
            return std::make_unique<TNMFingerprintSource>(
                std::make_shared<TNMDBus>(QDBusConnection::systemBus()));
        };
    connect(&FTray, &QSystemTrayIcon::messageClicked, this, &TAutoSwitchTray::MessageClicked);
    if (TConfig::GetConfig()->AutoSwitch())
        Start();
}

TAutoSwitchTray::~TAutoSwitchTray() = default;

bool TAutoSwitchTray::IsOn() const { return FSwitcher != nullptr; }

void TAutoSwitchTray::SetOn(bool On)
{
    TConfig::GetConfig()->SetAutoSwitch(On);
    if (!On) {
        FSwitcher.reset();
        FSource.reset();
    } else if (!FSwitcher) {
        Start();
    }
}

void TAutoSwitchTray::Start()
{
    FSource = FSetup.MakeSource();
    FSwitcher = std::make_unique<TAutoSwitcher>(*FSource, Hooks(), FSetup.SettleMs);
    FSwitcher->Start();
}

void TAutoSwitchTray::SwitchStarted()
{
    if (FSwitcher)
        FSwitcher->SwitchStarted();
}

void TAutoSwitchTray::SwitchFinished()
{
    if (FSwitcher)
        FSwitcher->SwitchFinished();
}

TAutoSwitcher::THooks TAutoSwitchTray::Hooks()
{
    TAutoSwitcher::THooks Hooks;
    Hooks.Candidates = [this] { return RuleCandidates(FList, true); };
    Hooks.CurrentLocId = [this] {
        return FList.CurrentLocation() ? FList.CurrentLocation()->LocId() : QString();
    };
    Hooks.SwitchTo = [this](const QString &LocId) { return FSwitch(LocId, true); };
    Hooks.Switched = [this](const TAutoDecision &Decision, const QString &Previous, bool Ok, qint64, qint64) {
        Switched(Decision, Previous, Ok);
    };
    Hooks.Ask = [this](const TAutoDecision &Decision) { Ask(Decision); };
    return Hooks;
}

QString TAutoSwitchTray::NameOf(const QString &LocId) const
{
    const TLocation *Location = FList.GetItemByLocId(LocId);
    return Location ? Location->LocName() : LocId;
}

// A failed switch has told the user already, through the window's report.
void TAutoSwitchTray::Switched(const TAutoDecision &Decision, const QString &Previous, bool Ok)
{
    if (!Ok || Decision.Matches.isEmpty())
        return;
    const QString Rules = RulesText(Decision.Matches.first().Matched);
    const QString Name = NameOf(Decision.LocId);
    FUndoLocId = FList.GetItemByLocId(Previous) ? Previous : QString();
    FChoice.clear();
    const QString Text =
        FUndoLocId.isEmpty()
            ? FormatLangStr(GetLangStr(Lang, "7892", "Switched to [%s]: this network matches %s."),
                            {Name, Rules})
            : FormatLangStr(GetLangStr(Lang, "7891",
                                       "Switched to [%s]: this network matches %s. Click here to switch back "
                                       "to [%s]."),
                            {Name, Rules, NameOf(FUndoLocId)});
    FTray.showMessage(GetLangStr(Lang, "7894", "Automatic switching"), Text);
}

void TAutoSwitchTray::Ask(const TAutoDecision &Decision)
{
    FUndoLocId.clear();
    FChoice.clear();
    QStringList Names;
    for (const TLocationMatch &Match : Decision.Tied) {
        FChoice.append(Match.LocId);
        Names.append(Match.LocName);
    }
    FTray.showMessage(
        GetLangStr(Lang, "7894", "Automatic switching"),
        FormatLangStr(
            GetLangStr(Lang, "7893", "Several locations match this network: %s. Click here to choose one."),
            {Names.join(QStringLiteral(", "))}));
}

// The window's own flow: a switch by hand, which automatic switching then keeps to.
void TAutoSwitchTray::MessageClicked()
{
    QString LocId = std::exchange(FUndoLocId, QString());
    const QStringList Choice = std::exchange(FChoice, {});
    if (!Choice.isEmpty()) {
        QStringList Names;
        for (const QString &Id : Choice)
            Names.append(NameOf(Id));
        bool Chosen = false;
        const QString Name = QInputDialog::getItem(
            FOwner, GetLangStr(Lang, "7894", "Automatic switching"),
            GetLangStr(Lang, "7895", "Locations that match this network:"), Names, 0, false, &Chosen);
        if (Chosen)
            LocId = Choice.value(Names.indexOf(Name));
    }
    if (!LocId.isEmpty())
        FSwitch(LocId, false);
}
