#include "locations/SwitchReport.h"

QString StepText(const TSwitchStep &Step)
{
    static const char *const Outcomes[] = {"done", "failed", "skipped"};
    QString Text = Step.Name + QStringLiteral(": ") + QLatin1String(Outcomes[Step.Outcome]);
    if (!Step.Reason.isEmpty())
        Text += QStringLiteral(": ") + Step.Reason;
    if (!Step.Changes.isEmpty())
        Text += QStringLiteral(" (") + Step.Changes.join(QStringLiteral("; ")) + QLatin1Char(')');
    if (!Step.Warnings.isEmpty())
        Text += QStringLiteral(", but: ") + Step.Warnings.join(QStringLiteral("; "));
    return Text;
}
