#pragma once

#include "locations/Proxy.h"

#include <QLatin1String>
#include <QString>
#include <memory>
#include <vector>

// What the program knows of one settings module class: its kind, its catalogue code, the name
// the user sees for it, how an object is made for a location (which loads its row) and whether
// its client is installed. Switching, removing, importing, the editor's pages and the
// customisation dialog all go through the table of these, each in its own order. Objects are
// removed through TCustomProxy::Remove, which every module shares.
// The table's own order is the order of switching (and of checking before a switch).
struct TModuleDescriptor
{
    TModuleKind Kind;
    QLatin1String Code;
    QString Name;
    std::unique_ptr<TCustomProxy> (*Create)(const QString &LocId);
    bool (*IsInstalled)();
    // Where the module's row goes when a location is removed: lower ranks first.
    int RemoveRank = 0;
    // Whether a location made from the current settings takes the module's settings too.
    bool ImportsCurrent = false;
};

using TModuleTable = std::vector<TModuleDescriptor>;

// The line of the table for module class TModule, taken from its class constants, so a kind
// can never be paired with another class.
enum class TImportsCurrent : bool { No, Yes };

template <class TModule>
TModuleDescriptor DescribeModule(const char *Name, int RemoveRank, TImportsCurrent Imports)
{
    static_assert(std::is_base_of_v<TProxyModule<TModule>, TModule>);
    return {TModule::Kind,
            TModule::Code,
            QString::fromUtf8(Name),
            [](const QString &LocId) -> std::unique_ptr<TCustomProxy> {
                return TCustomProxy::Create<TModule>(LocId);
            },
            &TModule::IsInstalled,
            RemoveRank,
            Imports == TImportsCurrent::Yes};
}

// The line for Kind; null when the table has no such module.
const TModuleDescriptor *FindModule(const TModuleTable &Modules, TModuleKind Kind);
// The lines in the order a location's rows are removed.
std::vector<const TModuleDescriptor *> InRemoveOrder(const TModuleTable &Modules);
