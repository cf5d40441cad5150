#include "ui/pages/AutomaticPage.h"

#include "app/uLanguages.h"
#include "locations/NMFingerprint.h"
#include "ui/AppActions.h"
#include "ui_AutomaticPage.h"

#include <QComboBox>
#include <QDBusConnection>

namespace {

const QString Lang = QStringLiteral("EN");
enum TColumn { colKind, colValue, colBssid };
const QStringList KindWords{"ssid", "gateway-mac", "dhcp-server", "domain", "adapter"};

} // namespace

TAutomaticPage::TAutomaticPage(QWidget *Parent, TNetworkReader Reader)
    : QWidget(Parent), ui(std::make_unique<Ui::TAutomaticPage>()), FReader(std::move(Reader))
{
    ui->setupUi(this);
    setWindowTitle(GetLangStr(Lang, "7896", "Automatic"));
    ui->tblRules->setHorizontalHeaderLabels({GetLangStr(Lang, "7899", "Kind"),
                                             GetLangStr(Lang, "7900", "Value"),
                                             GetLangStr(Lang, "7904", "Access point (BSSID)")});
    ApplyLanguage(this, Lang);
    if (!FReader)
        FReader = [this](IFingerprintSource::TDone Done) {
            if (!FSource)
                FSource = std::make_unique<TNMFingerprintSource>(
                    std::make_shared<TNMDBus>(QDBusConnection::systemBus()));
            FSource->Read(std::move(Done));
        };
    connect(ui->btnAddRule, &QPushButton::clicked, this, [this] { AddRow({TRuleKind::GatewayMac, {}, {}}); });
    connect(ui->btnRemoveRule, &QPushButton::clicked, this,
            [this] { ui->tblRules->removeRow(ui->tblRules->currentRow()); });
    connect(ui->btnUseCurrent, &QPushButton::clicked, this, &TAutomaticPage::UseCurrentNetwork);
}

TAutomaticPage::~TAutomaticPage() = default;

bool TAutomaticPage::Load(const QString &LocId)
{
    TLocationRules Stored(LocId);
    if (!Stored.Load())
        return false;
    ui->chkAutomatic->setChecked(Stored.Automatic());
    ShowRules(Stored.Rules());
    return true;
}

bool TAutomaticPage::Check(TPageProblem *Problem) const
{
    for (int Row = 0; Row < ui->tblRules->rowCount(); ++Row) {
        TLocationRule Rule;
        QString Error;
        if (ParseRule(RowWords(Row), Rule, &Error))
            continue;
        if (Problem)
            *Problem = {
                FormatLangStr(GetLangStr(Lang, "7905", "Rule %s: %s"), {QString::number(Row + 1), Error}),
                ui->tblRules};
        return false;
    }
    return true;
}

bool TAutomaticPage::Store(const QString &LocId)
{
    TLocationRules Stored(LocId);
    Stored.SetRules(Rules());
    Stored.SetAutomatic(ui->chkAutomatic->isChecked());
    return Stored.Write();
}

QList<TLocationRule> TAutomaticPage::Rules() const
{
    QList<TLocationRule> Result;
    for (int Row = 0; Row < ui->tblRules->rowCount(); ++Row) {
        TLocationRule Rule;
        if (ParseRule(RowWords(Row), Rule))
            Result.append(Rule);
    }
    return Result;
}

void TAutomaticPage::ShowRules(const QList<TLocationRule> &Rules)
{
    ui->tblRules->setRowCount(0);
    for (const TLocationRule &Rule : Rules)
        AddRow(Rule);
}

void TAutomaticPage::AddRow(const TLocationRule &Rule)
{
    const int Row = ui->tblRules->rowCount();
    ui->tblRules->insertRow(Row);
    auto *Kind = new QComboBox(ui->tblRules);
    Kind->addItems(KindWords);
    Kind->setCurrentText(RuleKindName(Rule.Kind));
    ui->tblRules->setCellWidget(Row, colKind, Kind);
    ui->tblRules->setItem(Row, colValue, new QTableWidgetItem(Rule.Value));
    ui->tblRules->setItem(Row, colBssid, new QTableWidgetItem(Rule.Bssid));
    ui->tblRules->setCurrentCell(Row, colValue);
}

// The words ParseRule reads: kind, value and, when one is given, the BSSID.
QStringList TAutomaticPage::RowWords(int Row) const
{
    const auto *Kind = qobject_cast<const QComboBox *>(ui->tblRules->cellWidget(Row, colKind));
    const auto Text = [&](int Column) {
        const QTableWidgetItem *Item = ui->tblRules->item(Row, Column);
        return Item ? Item->text().trimmed() : QString();
    };
    QStringList Words{Kind ? Kind->currentText() : QString(), Text(colValue)};
    if (!Text(colBssid).isEmpty())
        Words.append(Text(colBssid));
    return Words;
}

void TAutomaticPage::UseCurrentNetwork()
{
    ui->btnUseCurrent->setEnabled(false);
    FReader([this](const TNetworkFingerprint &Network) {
        ui->btnUseCurrent->setEnabled(true);
        ShowRules(Network.SuggestedRules());
    });
}
