#pragma once

#include <QStringList>
#include <QTextStream>

// Runs wayfarelctl on Args, what follows the program's name: results go to Out, messages to
// Err. Returns the exit status: 0 done, 1 failed, 2 wrong usage, 3 the data file cannot be
// used. The caller holds no data file meanwhile, as an open connection would be used whatever
// the options name; afterwards it is closed and the caller's handling of an unusable one is back.
int RunWayfarelctl(const QStringList &Args, QTextStream &Out, QTextStream &Err);
