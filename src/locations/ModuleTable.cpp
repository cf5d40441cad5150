#include "locations/ModuleTable.h"

#include <algorithm>

const TModuleDescriptor *FindModule(const TModuleTable &Modules, TModuleKind Kind)
{
    const auto Found = std::find_if(Modules.cbegin(), Modules.cend(),
                                    [Kind](const TModuleDescriptor &Module) { return Module.Kind == Kind; });
    return Found == Modules.cend() ? nullptr : &*Found;
}

std::vector<const TModuleDescriptor *> InRemoveOrder(const TModuleTable &Modules)
{
    std::vector<const TModuleDescriptor *> Ordered;
    for (const TModuleDescriptor &Module : Modules)
        Ordered.push_back(&Module);
    std::stable_sort(
        Ordered.begin(), Ordered.end(),
        [](const TModuleDescriptor *A, const TModuleDescriptor *B) { return A->RemoveRank < B->RemoveRank; });
    return Ordered;
}
