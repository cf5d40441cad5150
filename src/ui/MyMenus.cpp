#include "ui/MyMenus.h"

TMenuItemEx::TMenuItemEx(const QString &Key, const QString &Caption, QObject *parent)
    : QAction(Caption, parent), FKey(Key)
{}
