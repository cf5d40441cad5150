#pragma once

#include "base/Exceptions.h"
#include "locations/ModuleTable.h"
#include "locations/SwitchReport.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

class TIPAddress;
class TNetWorkList;

// A named profile of everything that changes when the computer moves to another network:
// the adapter it configures, the default printer and one object per settings module.
class TLocation
{
public:
    // Only the id is set; nothing is read from the database. Modules is the program's table of
    // settings modules and must outlive the location.
    TLocation(const QString &LocId, const TModuleTable &Modules);
    ~TLocation();
    TLocation(const TLocation &) = delete;
    TLocation &operator=(const TLocation &) = delete;

    // Checks the whole location first and refuses a malformed one with every reason before
    // anything changes. Then makes the printer the default one, applies the adapter settings
    // and every settings module in switching order; every step is attempted whatever the
    // earlier ones did. True when the adapter step and every module succeeded (the printer
    // does not count). Observer, when given, is told of each step as it runs.
    bool SwitchTo(const TNetWorkList &Adapters, ISwitchObserver *Observer = nullptr);
    // Appends a reason for every field and store the switch could not use as it stands; true
    // when there is none.
    bool Check(QStringList *Reasons);
    // Runs Record (making the location the current one) as the last step of the switch,
    // "current location", reported like the others; true when it succeeded.
    bool RecordStep(const std::function<void()> &Record, ISwitchObserver *Observer = nullptr);
    // The steps of the last SwitchTo (and RecordStep), in the order they ran.
    const TSwitchReport &SwitchReport() const { return FReport; }
    // The steps of the last SwitchTo that failed it, one "step: reason" text each.
    QStringList SwitchErrors() const;
    // What the steps of the last SwitchTo could not do without failing it, one "step: warning"
    // text each.
    QStringList SwitchWarnings() const;
    // Why the last SwitchTo could not make the printer the default; empty when it could.
    QString PrinterError() const;

    // A new stored location from the computer's current settings: the default printer, the
    // adapter NetId's TCP/IP settings and the imported modules. The location and its row exist
    // even when a module's import fails.
    static std::unique_ptr<TLocation> Import(const QString &Name, const QString &Description,
                                             const QString &NetId, const TNetWorkList &Adapters,
                                             const TModuleTable &Modules);

    // Writes the LOCATION row (insert or update); raises EDatabaseError when the database
    // refuses it. Modules are stored by their own Save.
    bool Save();
    // Deletes the rows of every module and the LOCATION row in one transaction; on any
    // failure the database is left as it was and the result is false.
    bool Remove();

    const QString &LocId() const { return FLocId; }
    const QString &NetId() const { return FNetId; }
    void SetNetId(const QString &Value) { FNetId = Value; }
    const QString &LocName() const { return FLocName; }
    void SetLocName(const QString &Value) { FLocName = Value; }
    const QString &LocDesc() const { return FLocDesc; }
    void SetLocDesc(const QString &Value) { FLocDesc = Value; }
    const QString &Printer() const { return FPrinter; }
    void SetPrinter(const QString &Value) { FPrinter = Value; }

    // The adapter's TCP/IP module, made on first use with the location's id and its NetId at
    // that moment; later NetId changes are not passed on.
    TIPAddress *IpAddress();

    // The settings module of class TModule, made on first use with the location's id (which
    // loads its row).
    template <class TModule>
    TModule *Module()
    {
        std::unique_ptr<TCustomProxy> &Slot = FModules.at(static_cast<std::size_t>(TModule::Kind));
        if (!Slot)
            Slot = TCustomProxy::Create<TModule>(FLocId);
        // A table line made by hand for this kind, with another class, would land here.
        const TCustomProxy &Made = *Slot;
        if (typeid(Made) != typeid(TModule))
            throw EAssertionFailed(QStringLiteral("module table and module class disagree on a kind"));
        return static_cast<TModule *>(Slot.get());
    }
    // The module of a line of the program's table, made on first use like Module.
    TCustomProxy &ModuleOf(const TModuleDescriptor &Descriptor);

private:
    void RunStep(const QString &Name, const std::function<TSwitchStep()> &Step, ISwitchObserver *Observer);
    TSwitchStep CheckStep();
    TSwitchStep PrinterStep();
    TSwitchStep AdapterStep(const TNetWorkList &Adapters);
    TSwitchStep ModuleStep(const TModuleDescriptor &Descriptor);
    bool Counts(const TSwitchStep &Step) const;
    bool RemoveModules();

    QString FNetId;
    QString FLocId;
    QString FLocName;
    QString FLocDesc;
    QString FPrinter;
    std::unique_ptr<TIPAddress> FIpAddress;
    const TModuleTable &FModuleTable;
    std::array<std::unique_ptr<TCustomProxy>, ModuleKindCount> FModules;
    TSwitchReport FReport;
};

// Every location of the database, the current one among them, and their mirror in the
// registry for readers outside the program.
class TLocationList
{
public:
    // Loads every location when the location model's connection is open; stays empty
    // otherwise. Modules is the program's table of settings modules and must outlive the list.
    explicit TLocationList(const TModuleTable &Modules);
    TLocationList(const TLocationList &) = delete;
    TLocationList &operator=(const TLocationList &) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    TLocation *Items(int Index) const { return FItems.at(Index).get(); }
    TLocation *Add(std::unique_ptr<TLocation> Location);

    // The first location whose id equals LocId exactly; null when there is none.
    TLocation *GetItemByLocId(const QString &LocId) const;
    // Frees the location with that id, if any; touches neither database nor registry.
    void DeleteByLocId(const QString &LocId);

    // Switches to the location with that id and makes it current when the switch succeeded
    // (the switch's last step). An unknown id, a location without adapter, or a second switch
    // while one is running (its waits keep the event loop going) is refused before anything is
    // changed. Error says why a switch failed.
    bool SwitchToLocation(const QString &LocId, const TNetWorkList &Adapters, QString *Error = nullptr);
    // The same for a location of this list the caller already holds.
    bool SwitchToLocation(TLocation &Location, const TNetWorkList &Adapters, QString *Error = nullptr,
                          ISwitchObserver *Observer = nullptr);
    // A location of this list's modules, not yet in the list.
    std::unique_ptr<TLocation> NewLocation(const QString &LocId) const;
    const TModuleTable &Modules() const { return FModules; }

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

    const TModuleTable &FModules;
    std::vector<std::unique_ptr<TLocation>> FItems;
    TLocation *FCurrentLocation = nullptr;
    bool FSwitching = false;
};
