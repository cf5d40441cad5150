#pragma once

#include "app/DBManager.h"
#include "locations/FuncDef.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "support/DataWorld.h"
#include "ui/pages/ModulePage.h"

#include <QtGlobal>
#include <memory>

// A fresh data file behind the shared connection for one test of an editor page. Rows are
// planted through a location's module objects and read back through a fresh location, so
// what a page stores is seen as the data file holds it.
class TModulePageTest
{
public:
    TModulePageTest() = default;
    ~TModulePageTest() { TFuncDefine::FreeInstance(); }
    TModulePageTest(const TModulePageTest &) = delete;
    TModulePageTest &operator=(const TModulePageTest &) = delete;

    // The test location as the data file holds it now.
    static std::unique_ptr<TLocation> Stored()
    {
        return std::make_unique<TLocation>(LocId(), ProgramModules());
    }
    static QString LocId() { return QStringLiteral("MODULEPAGETEST000000000000000001"); }

private:
    TDataWorld FRoot;
};

// What a page's check says: an empty message and no focus when it passes.
inline TPageProblem CheckOf(const TModulePage &Page)
{
    TPageProblem Problem;
    if (Page.Check(&Problem))
        return {};
    return Problem;
}

// The object name of the control a problem focuses, empty for none.
inline QString FocusName(const TPageProblem &Problem)
{
    return Problem.Focus ? Problem.Focus->objectName() : QString();
}

// The page's control of that name and kind; a missing one ends the test run.
template <class T>
T *Control(const QWidget &Page, const char *Name)
{
    T *Found = Page.findChild<T *>(QLatin1String(Name));
    if (!Found)
        qFatal("the page has no control %s of the expected kind", Name);
    return Found;
}
