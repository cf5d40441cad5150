#pragma once

#include <QAction>
#include <QString>

// A menu entry that carries the id of the location it stands for; its caption is the location's
// name as it is written.
class TMenuItemEx : public QAction
{
    Q_OBJECT

public:
    TMenuItemEx(const QString &Key, const QString &Caption, QObject *parent);

    const QString &Key() const { return FKey; }

private:
    QString FKey;
};
