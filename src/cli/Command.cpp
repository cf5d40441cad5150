#include "cli/Command.h"

#include "cli/CtlSupport.h"

#include <algorithm>

namespace {

// Where the text column of the usage begins; a wider synopsis stands on a line of its own.
constexpr qsizetype SynopsisWidth = 21;

} // namespace

QString HelpLines(const TCtlHelp &Help)
{
    const QString Indent(2 + SynopsisWidth, QLatin1Char(' '));
    const QString Synopsis = Help.Synopsis.size() < SynopsisWidth
                                 ? Help.Synopsis.leftJustified(SynopsisWidth)
                                 : Help.Synopsis + QLatin1Char('\n') + Indent;
    return QStringLiteral("  ") + Synopsis +
           QString(Help.Text).replace(QLatin1Char('\n'), QLatin1Char('\n') + Indent) + QLatin1Char('\n');
}

QString TCtlCommand::HelpText() const
{
    QString Text;
    for (const TCtlHelp &Help : FInfo.Help)
        Text += HelpLines(Help);
    return Text;
}

void TCtlCommand::CheckArguments(const QStringList &Args) const
{
    const int Least = FInfo.MinArguments;
    if (Least < 0)
        return;
    const bool WithOption = !FInfo.Option.isEmpty() && Args.value(Args.size() - 1) == FInfo.Option;
    const qsizetype Given = Args.size() - WithOption;
    const int Most = std::max(Least, FInfo.MaxArguments);
    if (Given < Least || Given > Most)
        Fail(QStringLiteral("%1 takes %2 argument(s); see wayfarelctl --help")
                 .arg(Name(), Most > Least ? QStringLiteral("%1 to %2").arg(Least).arg(Most)
                                           : QString::number(Least)),
             ecUsage);
}
