#pragma once

#include "app/RowBinding.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// The rows of share and drive definitions: many per location, each keyed by its own ID and
// bound to the fields of its object. Every call uses the shared connection and does nothing
// while it is closed: a load leaves the fields, a save or remove succeeds without writing, a
// lookup finds nothing. Database errors go to Error.

// Reads row Id of Table into Fields; true also when there is no such row.
bool LoadDefinition(const QString &Table, const QString &Id, const QList<TDbField> &Fields,
                    QString *Error = nullptr);
// Inserts or updates row Id with Fields.
bool SaveDefinition(const QString &Table, const QString &Id, const QList<TDbField> &Fields,
                    QString *Error = nullptr);
bool RemoveDefinition(const QString &Table, const QString &Id, QString *Error = nullptr);
// The ids of LocId's rows (Own) or of every other location's rows, in the database's order.
QStringList DefinitionIds(const QString &Table, const QString &LocId, bool Own);
// Whether a row of LocId other than Id holds Value in Column. Letter case is ignored for
// every letter, not only A to Z.
bool DefinitionExists(const QString &Table, const QString &Column, const QString &Value, const QString &LocId,
                      const QString &Id);

// The definitions of one location (IncOrNot true) or of every other location (false), each
// loaded from its row, in the database's order. TItem names its table as TItem::Table and is
// made from an id.
template <class TItem>
class TDefinitionList
{
public:
    TDefinitionList(const QString &LocId, bool IncOrNot) : FLocId(LocId), FIncOrNot(IncOrNot)
    {
        for (const QString &Id : DefinitionIds(TItem::Table, LocId, IncOrNot))
            FItems.push_back(std::make_unique<TItem>(Id));
    }

    const QString &LocId() const { return FLocId; }
    bool IncOrNot() const { return FIncOrNot; }
    int Count() const { return static_cast<int>(FItems.size()); }
    TItem *Items(int Index) const { return FItems.at(Index).get(); }
    auto begin() const { return FItems.cbegin(); }
    auto end() const { return FItems.cend(); }

private:
    QString FLocId;
    bool FIncOrNot;
    std::vector<std::unique_ptr<TItem>> FItems;
};
