#include "ui/MyMenus.h"

// A "&" in a location's name is shown as it is, not taken for an accelerator mark.
TMenuItemEx::TMenuItemEx(const QString &Key, const QString &Caption, QObject *parent)
    : QAction(QString(Caption).replace(QLatin1Char('&'), QStringLiteral("&&")), parent), FKey(Key)
{}
