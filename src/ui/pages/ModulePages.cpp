#include "ui/pages/ModulePage.h"
#include "ui/pages/PageShare.h"

#include <algorithm>

const std::vector<TPageDescriptor> &ModulePages()
{
    static const std::vector<TPageDescriptor> Pages{
        DescribePage<TPageShare>(),
    };
    return Pages;
}

const TPageDescriptor *FindPage(TModuleKind Kind)
{
    const std::vector<TPageDescriptor> &Pages = ModulePages();
    const auto Found = std::find_if(Pages.begin(), Pages.end(),
                                    [Kind](const TPageDescriptor &Page) { return Page.Kind == Kind; });
    return Found == Pages.end() ? nullptr : &*Found;
}
