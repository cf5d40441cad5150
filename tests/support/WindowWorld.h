#pragma once

#include "adapters/NetMgr.h"
#include "app/DBManager.h"
#include "support/BoxAnswers.h"
#include "support/DataWorld.h"
#include "support/FakeNetwork.h"

#include <QApplication>
#include <QWidget>
#include <memory>

// What a widget test of the main window stands on: its data world (DataWorld.h), a fake network,
// and every message box answered and kept. A test makes it in
// init and destroys it in cleanup, after its own window: the windows left open go first, then
// the connection, the network and the root.
class TWindowWorld
{
public:
    TWindowWorld() : FRoot(std::make_unique<TDataWorld>())
    {
        FNetwork = std::make_unique<TFakeNetwork>();
        FBoxes = std::make_unique<TBoxAnswers>();
    }
    ~TWindowWorld()
    {
        for (QWidget *Window : QApplication::topLevelWidgets())
            delete Window;
        FBoxes.reset();
        FNetwork.reset();
        TNetManager::ReleaseInstance();
        FRoot.reset();
    }
    TWindowWorld(const TWindowWorld &) = delete;
    TWindowWorld &operator=(const TWindowWorld &) = delete;

    TTestRoot &Root() { return *FRoot; }
    TFakeNetwork &Network() { return *FNetwork; }
    TBoxAnswers &Boxes() { return *FBoxes; }

private:
    std::unique_ptr<TDataWorld> FRoot;
    std::unique_ptr<TFakeNetwork> FNetwork;
    std::unique_ptr<TBoxAnswers> FBoxes;
};
