#include "locations/ModuleTable.h"

#include <algorithm>

const TModuleDescriptor *FindModule(const TModuleTable &Modules, TModuleKind Kind)
{
    const auto Found = std::find_if(Modules.cbegin(), Modules.cend(),
                                    [Kind](const TModuleDescriptor &Module) { return Module.Kind == Kind; });
    return Found == Modules.cend() ? nullptr : &*Found;
}
