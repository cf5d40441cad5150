#include "locations/FuncDef.h"

#include "app/DBManager.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

const QString SelectByCode = QStringLiteral("SELECT * FROM FUNC_DEF WHERE FUNC_CODE=:FUNCCODE");

std::unique_ptr<TFuncDefine> Instance;

// The shared connection when it is there and open; callers do nothing without it.
bool OpenConnection(QSqlDatabase *Connection)
{
    *Connection = GetConnection();
    return Connection->isValid() && Connection->isOpen();
}

// Positions Query on the first row of funcCode; false when there is none or the query failed.
bool SelectFirstRow(QSqlQuery *Query, const QString &funcCode)
{
    Query->prepare(SelectByCode);
    Query->bindValue(QStringLiteral(":FUNCCODE"), funcCode);
    return Query->exec() && Query->next();
}

// Sets one column of the row of funcCode; a code without a row gets none, errors leave the
// table as it was. Yes/no columns hold 0 or 1.
void UpdateColumn(const QString &funcCode, const QString &Column, const QVariant &Value)
{
    QSqlDatabase Connection;
    if (!OpenConnection(&Connection))
        return;
    QSqlQuery Query(Connection);
    Query.prepare(QStringLiteral("UPDATE FUNC_DEF SET %1=:VALUE WHERE FUNC_CODE=:FUNCCODE").arg(Column));
    Query.bindValue(QStringLiteral(":VALUE"), Value);
    Query.bindValue(QStringLiteral(":FUNCCODE"), funcCode);
    Query.exec();
}

} // namespace

TFuncDefine::TFuncDefine(const QString &Code, const QString &Name, bool Enabled, int Index)
    : FCode(Code), FName(Name), FEnabled(Enabled), FIndex(Index)
{}

TFuncDefine *TFuncDefine::getInstance()
{
    if (!Instance)
        Instance = std::make_unique<TFuncDefine>();
    return Instance.get();
}

void TFuncDefine::FreeInstance() { Instance.reset(); }

bool TFuncDefine::IsEnabled(const QString &funcCode) const
{
    QSqlDatabase Connection;
    if (!OpenConnection(&Connection))
        return true;
    QSqlQuery Query(Connection);
    return SelectFirstRow(&Query, funcCode) && Query.value(QStringLiteral("FUNC_EANBLED")).toBool();
}

void TFuncDefine::SetEnabled(const QString &funcCode, bool Value)
{
    UpdateColumn(funcCode, QStringLiteral("FUNC_EANBLED"), Value ? 1 : 0);
}

int TFuncDefine::GetPos(const QString &funcCode) const
{
    QSqlDatabase Connection;
    if (!OpenConnection(&Connection))
        return -1;
    QSqlQuery Query(Connection);
    if (!SelectFirstRow(&Query, funcCode))
        return -1;
    return Query.value(QStringLiteral("FUNC_POS")).toInt();
}

void TFuncDefine::ChangePos(const QString &funcCode, int NewPos)
{
    UpdateColumn(funcCode, QStringLiteral("FUNC_POS"), NewPos);
}

void TFuncDefine::GetFuncs(std::vector<std::unique_ptr<TFuncDefine>> *List, bool IsEnabled) const
{
    QSqlDatabase Connection;
    if (List == nullptr || !OpenConnection(&Connection))
        return;
    QSqlQuery Query(Connection);
    Query.prepare(QStringLiteral("SELECT * FROM FUNC_DEF WHERE FUNC_EANBLED=:FUNCEANBLED ORDER BY FUNC_POS"));
    Query.bindValue(QStringLiteral(":FUNCEANBLED"), IsEnabled ? 1 : 0);
    if (!Query.exec())
        return;
    while (Query.next())
        List->push_back(std::make_unique<TFuncDefine>(Query.value(QStringLiteral("FUNC_CODE")).toString(),
                                                      Query.value(QStringLiteral("FUNC_NAME")).toString(),
                                                      Query.value(QStringLiteral("FUNC_EANBLED")).toBool(),
                                                      Query.value(QStringLiteral("FUNC_POS")).toInt()));
}
