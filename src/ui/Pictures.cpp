#include "ui/Pictures.h"

QIcon Picture(const QString &Name) { return QIcon(QStringLiteral(":/pictures/%1.svg").arg(Name)); }
