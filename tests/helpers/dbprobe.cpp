// dbprobe FOLDER ID: opens FOLDER's data file the way the program does (default failure
// handling: message 20 and exit code 1), reads the module catalogue and stores a location
// row with the given id. Exit code 0 when both were done, 2 when a statement failed.

#include "app/DBManager.h"
#include "app/DBQuery.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace {

bool ReadAndWrite(const QString &LocId)
{
    const QSqlDatabase Db = GetConnection();
    QSqlQuery Query(Db);
    QString Error;
    const bool Done =
        Query.exec("SELECT COUNT(*) FROM FUNC_DEF") && Query.next() &&
        DbSaveRow(Db, "LOCATION", {"LOC_ID", LocId}, {{"LOC_NAME", "probe"}}, TKeyOnUpdate::Keep, &Error);
    if (!Done)
        QTextStream(stderr) << "dbprobe: " << Error << Query.lastError().text() << Qt::endl;
    return Done;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication App(argc, argv);
    if (argc != 3)
        return 3;
    InitConnectionString(QString::fromLocal8Bit(argv[1]));
    const bool Done = ReadAndWrite(QString::fromLocal8Bit(argv[2]));
    CloseConnection();
    return Done ? 0 : 2;
}
