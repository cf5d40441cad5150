#pragma once

#include <QSqlDatabase>
#include <QString>
#include <functional>

// The one connection to the profile database qtm.dat. Every table access goes through
// GetConnection; the file is held exclusively for as long as the connection is open.

// The template a data file is made from and brought up to: Path names it (empty: none).
// With MakeMissing a missing data file is made from it; otherwise a missing file is an error.
struct TDataFileTemplate
{
    QString Path;
    bool MakeMissing = false;
};

// Remembers where the data file is: Folder is its folder with its trailing separator; and
// the template that GetConnection brings it up to. Opens nothing.
void InitConnectionString(const QString &Folder, const TDataFileTemplate &Template = {});
QString ConnectionString();

// The template installed beside a program in ProgramFolder (with its trailing separator).
QString DataFileTemplatePath(const QString &ProgramFolder);

// The program's own data file: beside the program when ProgramFolder is writable, else (an
// installed program) in $XDG_DATA_HOME/wayfarel/; made from the template beside the program
// when missing, never replaced.
void InitProgramConnectionString(const QString &ProgramFolder);

// The shared connection, opened on first use and reopened if it was closed. Opening brings
// the file up to the template's schema (in one transaction; every row is kept). When the file
// cannot be used (missing, unreadable, read-only, held by another process, not upgradable)
// the user is told (message 20) and the program ends.
QSqlDatabase GetConnection();

// Closes and releases the shared connection; false when releasing failed. The next
// GetConnection opens a new one.
bool CloseConnection();

// The reference the location model keeps to the shared connection; it follows the connection
// across CloseConnection and a later reopening.
void SetLocationConnection(const QSqlDatabase &Connection);
QSqlDatabase LocationConnection();

// What GetConnection does when the file cannot be opened. The default shows message 20 and
// ends the process; tests replace it to see the failure and go on with a closed connection.
// An empty handler puts the default back; the previous handler is returned.
using TOpenFailureHandler = std::function<void()>;
TOpenFailureHandler SetOpenFailureHandler(TOpenFailureHandler Handler);
