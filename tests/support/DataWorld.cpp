#include "support/DataWorld.h"

#include "app/DBManager.h"

TDataWorld::TDataWorld(std::function<void()> OnOpenFailure)
{
    if (!OnOpenFailure)
        OnOpenFailure = [] { qFatal("the test's data file cannot be used"); };
    FFormerHandler = SetOpenFailureHandler(OnOpenFailure);
    InitConnectionString(DataFolder());
    SetLocationConnection(GetConnection());
}

TDataWorld::~TDataWorld()
{
    CloseConnection();
    SetOpenFailureHandler(FFormerHandler);
}
