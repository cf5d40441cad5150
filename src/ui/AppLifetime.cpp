#include "ui/AppLifetime.h"

#include "app/uLanguages.h"
#include "lantools/uNetRepaire.h"
#include "locations/FuncDef.h"

void ReleaseProcessObjects()
{
    // The thread starts processes through Qt, so it ends while Qt is still there.
    TNetRepaire::Shutdown();
    TFuncDefine::FreeInstance();
    TLanguages::FreeInstance();
}
