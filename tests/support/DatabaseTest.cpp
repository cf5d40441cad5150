#include "support/DatabaseTest.h"

#include "app/DBManager.h"

#include <QSqlQuery>

void TDatabaseTest::SetUp() { ASSERT_TRUE(GetConnection().isOpen()); }

void TDatabaseTest::TearDown()
{
    SetOpenFailureHandler({});
    CloseConnection();
}

void TDatabaseTest::Exec(const QString &Statement)
{
    QSqlQuery Query(GetConnection());
    ASSERT_TRUE(Query.exec(Statement)) << Statement.toStdString();
}

void TDatabaseTest::LoseConnection()
{
    CloseConnection();
    SetOpenFailureHandler([] {});
    InitConnectionString(QStringLiteral("/nonexistent/wayfarel/"));
    ASSERT_FALSE(GetConnection().isOpen());
}

void TDatabaseTest::Reconnect()
{
    SetOpenFailureHandler({});
    InitConnectionString(FRoot.DataFolder());
    ASSERT_TRUE(GetConnection().isOpen());
}
