#include "ui/pages/ModulePage.h"
#include "ui/pages/PageBitComet.h"
#include "ui/pages/PageEMule.h"
#include "ui/pages/PageFireFox.h"
#include "ui/pages/PageFoxmail.h"
#include "ui/pages/PageICQ.h"
#include "ui/pages/PageIE.h"
#include "ui/pages/PageMSN.h"
#include "ui/pages/PageShare.h"
#include "ui/pages/PageSkype.h"

#include <algorithm>

const std::vector<TPageDescriptor> &ModulePages()
{
    static const std::vector<TPageDescriptor> Pages{
        // One line per tab, in the module table's order; the Share tab edits shares and drives.
        DescribePage<TPageIE>(),      DescribePage<TPageFireFox>(), DescribePage<TPageShare>(),
        DescribePage<TPageFoxmail>(), DescribePage<TPageMSN>(),     DescribePage<TPageICQ>(),
        DescribePage<TPageSkype>(),   DescribePage<TPageEMule>(),   DescribePage<TPageBitComet>(),
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
