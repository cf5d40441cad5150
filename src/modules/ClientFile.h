#pragma once

#include <QString>

// Why a client's settings file cannot be replaced safely, or an empty text when it can: a
// symbolic link (a write through it would land wherever it points), something other than a
// regular file, a file this user cannot read or write, or a folder where the temporary file
// (or the database journal) beside it cannot be made. A missing file in a writable folder is no
// problem.
QString ClientFileProblem(const QString &FileName);
