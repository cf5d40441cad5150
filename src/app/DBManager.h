#pragma once

#include <QSqlDatabase>
#include <QString>
#include <functional>

// The one connection to the profile database qtm.dat. Every table access goes through
// GetConnection; the file is held exclusively for as long as the connection is open.

// Remembers where the data file is: Folder is the executable's folder with its trailing
// separator. Opens nothing.
void InitConnectionString(const QString &Folder);
QString ConnectionString();

// The shared connection, opened on first use and reopened if it was closed. When the file
// cannot be opened (missing, unreadable, held by another process) the user is told
// (message 20) and the program ends.
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
