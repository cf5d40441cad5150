#include "locations/Proxy.h"

#include "app/DBManager.h"
#include "base/Exceptions.h"
#include "locations/FuncDef.h"

bool TCustomProxy::ChangeTo()
{
    FLastError.clear();
    FChanges.clear();
    FWarnings.clear();
    return SkipsChange() || Apply();
}

bool TCustomProxy::Save()
{
    FLastError.clear();
    if (!IsEnabled())
        return true;
    const QSqlDatabase Connection = GetConnection();
    QString Error;
    if (Connection.isOpen() && !SaveBoundRow(Connection, Binding(), FLocId, &Error))
        return Fail(Error);
    return true;
}

bool TCustomProxy::Import(const QString &NetId)
{
    FLastError.clear();
    if (!IsEnabled())
        return true;
    return ReadCurrent(NetId) && Save();
}

bool TCustomProxy::Remove()
{
    FLastError.clear();
    const QSqlDatabase Connection = GetConnection();
    QString Error;
    if (Connection.isOpen() && !RemoveBoundRows(Connection, Binding(), FLocId, &Error))
        return Fail(Error);
    return true;
}

QList<QPair<QString, QString>> TCustomProxy::StoredFields()
{
    QList<QPair<QString, QString>> Fields;
    for (const TDbField &Field : Binding().Fields)
        Fields.append({Field.Column(), Field.Text()});
    return Fields;
}

bool TCustomProxy::SkipsChange() { return !ClientInstalled() || !IsEnabled(); }

bool TCustomProxy::Check(QStringList *) { return true; }

bool TCustomProxy::IsEnabled() { return TFuncDefine::getInstance()->IsEnabled(CatalogueCode()); }

void TCustomProxy::SetIsEnabled(bool Value)
{
    TFuncDefine::getInstance()->SetEnabled(CatalogueCode(), Value);
}

bool TCustomProxy::IsInstalled() { throw EAbstractError(); }

void TCustomProxy::Load()
{
    if (!IsEnabled())
        return;
    const QSqlDatabase Connection = GetConnection();
    if (Connection.isOpen())
        LoadBoundRow(Connection, Binding(), FLocId, &FLastError);
}

TRowBinding TCustomProxy::Binding() { throw EAbstractError(); }

bool TCustomProxy::Apply() { throw EAbstractError(); }

bool TCustomProxy::ReadCurrent(const QString &) { throw EAbstractError(); }

QLatin1String TCustomProxy::CatalogueCode() const { throw EAbstractError(); }

bool TCustomProxy::ClientInstalled() const { throw EAbstractError(); }

bool TCustomProxy::Fail(const QString &Reason)
{
    FLastError = Reason;
    return false;
}
