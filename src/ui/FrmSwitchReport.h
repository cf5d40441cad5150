#pragma once

#include "locations/SwitchReport.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TFrmSwitchReport;
}

// What a failed switch did: every step with its outcome and reason, so a failure never passes
// unnoticed and the user sees what was changed before it.
class TFrmSwitchReport : public QDialog
{
    Q_OBJECT

public:
    TFrmSwitchReport(const QString &LocName, const TSwitchReport &Steps, QWidget *parent = nullptr);
    ~TFrmSwitchReport() override;

private:
    std::unique_ptr<Ui::TFrmSwitchReport> ui;
};
