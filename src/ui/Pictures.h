#pragma once

#include <QIcon>
#include <QString>

// A picture drawn for this program, by name ("switch", "node-location"), from the resources.
QIcon Picture(const QString &Name);
