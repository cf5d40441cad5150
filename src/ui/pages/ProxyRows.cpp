#include "ui/pages/ProxyRows.h"

#include "app/uLanguages.h"
#include "modules/IEProxy.h"
#include "ui/widgets/IPEdit.h"

#include <QLineEdit>
#include <algorithm>

void ShowProxyText(const TProxyRow &Row, const QString &Text)
{
    const QString Address = TIEProxy::SplitIp(Text);
    if (!Address.isEmpty())
        Row.Address->SetIPString(Address);
    Row.Port->setText(TIEProxy::SplitPort(Text));
}

QString ProxyText(const TProxyRow &Row)
{
    return Row.Address->IPString() + QLatin1Char(':') + Row.Port->text();
}

void SetRowEnabled(const TProxyRow &Row, bool Enabled)
{
    Row.Address->setEnabled(Enabled);
    Row.Port->setEnabled(Enabled);
}

bool IsPortNumber(const QString &Text)
{
    const QString Digits = Text.trimmed();
    const bool AllDigits = std::all_of(Digits.cbegin(), Digits.cend(), [](QChar C) {
        return C >= QLatin1Char('0') && C <= QLatin1Char('9');
    });
    // Five digits at most keeps toInt far from overflow; leading zeros count as digits.
    return !Digits.isEmpty() && AllDigits && Digits.size() <= 5 && Digits.toInt() <= 65535;
}

int PortNumber(const QString &Text) { return PortFromText(Text, 0); }

int PortFromText(const QString &Text, int Current)
{
    return IsPortNumber(Text) ? Text.trimmed().toInt() : Current;
}

bool Refuse(TPageProblem *Problem, const QString &Message, QWidget *Focus)
{
    if (Problem)
        *Problem = {Message, Focus};
    return false;
}

bool Refuse(TPageProblem *Problem, const QString &Id, const char *Fallback, QWidget *Focus)
{
    return Refuse(Problem, GetLangStr(PageLanguage, Id, QString::fromUtf8(Fallback)), Focus);
}

bool CheckPortNumber(QLineEdit *Port, const QString &Id, const QString &Fallback, const QString &FieldName,
                     TPageProblem *Problem)
{
    if (Port->text().isEmpty() || IsPortNumber(Port->text()))
        return true;
    const QString Message = FormatLangStr(GetLangStr(PageLanguage, Id, Fallback), {FieldName});
    return Refuse(Problem, Message, Port);
}
