#include "ui/pages/PortField.h"

#include <QRegularExpression>

namespace {

constexpr int HighestPort = 65535;

} // namespace

bool IsPortText(const QString &Text)
{
    // toInt alone would take a sign and blanks inside; a port is digits only.
    static const QRegularExpression Digits(QStringLiteral("^[0-9]{1,5}$"));
    const QString Trimmed = Text.trimmed();
    return Digits.match(Trimmed).hasMatch() && Trimmed.toInt() <= HighestPort;
}

int PortFromText(const QString &Text, int Current)
{
    return IsPortText(Text) ? Text.trimmed().toInt() : Current;
}
