#pragma once

#include <QString>
#include <memory>
#include <vector>

// A named profile of everything that changes when the computer moves to another network:
// the adapter it configures, the default printer and one object per settings module.
class TLocation
{
public:
    // Only the id is set; nothing is read from the database.
    explicit TLocation(const QString &LocId);
    ~TLocation();
    TLocation(const TLocation &) = delete;
    TLocation &operator=(const TLocation &) = delete;

    // Writes the LOCATION row (insert or update); raises EDatabaseError when the database
    // refuses it. Modules are stored by their own Save.
    bool Save();

    const QString &LocId() const { return FLocId; }
    const QString &NetId() const { return FNetId; }
    void SetNetId(const QString &Value) { FNetId = Value; }
    const QString &LocName() const { return FLocName; }
    void SetLocName(const QString &Value) { FLocName = Value; }
    const QString &LocDesc() const { return FLocDesc; }
    void SetLocDesc(const QString &Value) { FLocDesc = Value; }
    const QString &Printer() const { return FPrinter; }
    void SetPrinter(const QString &Value) { FPrinter = Value; }

private:
    QString FNetId;
    QString FLocId;
    QString FLocName;
    QString FLocDesc;
    QString FPrinter;
};

// Every location of the database, the current one among them, and their mirror in the
// registry for readers outside the program.
class TLocationList
{
public:
    // Loads every location when the location model's connection is open; stays empty
    // otherwise.
    TLocationList();
    TLocationList(const TLocationList &) = delete;
    TLocationList &operator=(const TLocationList &) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    TLocation *Items(int Index) const { return FItems.at(Index).get(); }
    TLocation *Add(std::unique_ptr<TLocation> Location);

    // The first location whose id equals LocId exactly; null when there is none.
    TLocation *GetItemByLocId(const QString &LocId) const;
    // Frees the location with that id, if any; touches neither database nor registry.
    void DeleteByLocId(const QString &LocId);

    TLocation *CurrentLocation() const { return FCurrentLocation; }
    // Records the id of a location made current in the registry mirror.
    void SetCurrentLocation(TLocation *Value);

    // Writes the ids and names of all locations, in list order; false when the mirror key
    // cannot be opened.
    bool WriteRegistry();
    static QString ReadCurrentLocId();
    static void WriteCurrentLocId(const QString &LocId);

private:
    void Load();

    std::vector<std::unique_ptr<TLocation>> FItems;
    TLocation *FCurrentLocation = nullptr;
};
