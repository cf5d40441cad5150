#pragma once

#include "support/TestRoot.h"

#include <functional>

// A test's own world with its data file open, for widget and core tests alike: the test root
// (HOME, the XDG folders, the registry, a fresh data file), that data file open for the location
// model, and an open that fails making the test fail at once rather than ending the process
// behind a message box. Everything is put back when it goes.
class TDataWorld : public TTestRoot
{
public:
    // OnOpenFailure runs when the data file cannot be opened; the default aborts the test program
    // with the reason.
    explicit TDataWorld(std::function<void()> OnOpenFailure = {});
    ~TDataWorld();
    TDataWorld(const TDataWorld &) = delete;
    TDataWorld &operator=(const TDataWorld &) = delete;

private:
    std::function<void()> FFormerHandler;
};
