#pragma once

#include <QList>
#include <QStringList>

// The process ids of this user's running programs whose name (the kernel's, at most 15
// characters) is one of Names, from /proc.
QList<qint64> RunningProgramIds(const QStringList &names);
