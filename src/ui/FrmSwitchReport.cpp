#include "ui/FrmSwitchReport.h"
#include "ui_FrmSwitchReport.h"

#include "app/uLanguages.h"
#include "ui/AppActions.h"
#include "ui/Pictures.h"

namespace {

enum TColumn { colStep, colOutcome, colReason };

QString OutcomeText(TSwitchStep::TOutcome Outcome)
{
    switch (Outcome) {
    case TSwitchStep::Done:
        return GetLangStr("EN", "7707", "done");
    case TSwitchStep::Failed:
        return GetLangStr("EN", "7708", "failed");
    case TSwitchStep::Skipped:
        break;
    }
    return GetLangStr("EN", "7709", "skipped");
}

// The reason, and what the step changed before it ended.
QString Details(const TSwitchStep &Step)
{
    QStringList Parts;
    if (!Step.Reason.isEmpty())
        Parts.append(Step.Reason);
    if (!Step.Changes.isEmpty())
        Parts.append(QLatin1Char('(') + Step.Changes.join(QStringLiteral("; ")) + QLatin1Char(')'));
    return Parts.join(QLatin1Char(' '));
}

} // namespace

TFrmSwitchReport::TFrmSwitchReport(const QString &LocName, const TSwitchReport &Steps, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFrmSwitchReport>())
{
    ui->setupUi(this);
    ApplyLanguage(this, QStringLiteral("EN"));
    setWindowTitle(GetLangStr("EN", "7701", "Switch failed"));
    ui->twSteps->setHeaderLabels({GetLangStr("EN", "7703", "Step"), GetLangStr("EN", "7704", "Outcome"),
                                  GetLangStr("EN", "7705", "Reason")});
    ui->imgFailed->setPixmap(Picture(QStringLiteral("step-failed")).pixmap(32, 32));
    ui->lblSummary->setText(FormatLangStr(
        GetLangStr("EN", "7702", "Switching to [%s] failed. Every step of the switch:"), {LocName}));
    static const char *const Pictures[] = {"step-done", "step-failed", "step-skipped"};
    for (const TSwitchStep &Step : Steps) {
        auto *Row = new QTreeWidgetItem(ui->twSteps, {Step.Name, OutcomeText(Step.Outcome), Details(Step)});
        Row->setIcon(colOutcome, Picture(QLatin1String(Pictures[Step.Outcome])));
        Row->setToolTip(colReason, Details(Step));
    }
    for (int Column = colStep; Column < colReason; ++Column)
        ui->twSteps->resizeColumnToContents(Column);
}

TFrmSwitchReport::~TFrmSwitchReport() = default;
