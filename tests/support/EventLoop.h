#pragma once

#include <QCoreApplication>

// The Qt application a test needs for the program's waits to run an event loop: the one there
// is, else one made for the rest of the process.
QCoreApplication &EventLoopApplication();
