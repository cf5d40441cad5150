#pragma once

#include <QByteArray>
#include <QString>

// ICQ's settings store: an SQLite file with the table records(section text, data blob).

// Replaces the data of the first record, in the table's order, whose section is exactly
// "ConnectionSettings" (letter case counts). The file is opened on a connection of its own in
// exclusive locking mode and never created; Replaced tells whether there was such a record.
// False, with the reason in Error and the file unchanged, when another program holds the file,
// it is no database of that shape, or the write fails.
bool ReplaceConnectionSettings(const QString &FileName, const QByteArray &Record, bool *Replaced,
                               QString *Error = nullptr);

// The file begins with the header of an SQLite database.
bool IsSqliteFile(const QString &FileName);
