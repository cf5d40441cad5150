#include "app/AppVersion.h"

#include <QStringList>

QString FourPartVersion(const QString &Version)
{
    QStringList Parts = Version.split(QLatin1Char('.'));
    if (Parts.size() > 4)
        return {};
    for (const QString &Part : Parts) {
        bool Number = false;
        Part.toUShort(&Number);
        if (!Number)
            return {};
    }
    while (Parts.size() < 4)
        Parts.append(QStringLiteral("0"));
    for (QString &Part : Parts)
        Part = QString::number(Part.toUShort());
    return Parts.join(QLatin1Char('.'));
}

QString GetAppVersion() { return FourPartVersion(QStringLiteral(WAYFAREL_VERSION)); }
