#pragma once

#include <QString>

// The program's identity as a single instance and its start-up interface choice.

extern const QString ApplicationTitle;

// Takes the instance marker "Brackwell Wayfarel"; true when another process already holds
// it. The marker is kept until ReleaseInstance or the end of the process.
bool IsAlreadyRunning();
void ReleaseInstance();

// Which interface the program shows at start: 1 the main window, 2 the compact panel.
enum TDefaultUI { duMainUI = 1, duPanelUI = 2 };
int ReadDefaultUI();
bool WriteDefaultUI(int Value);
