#include "support/EventLoop.h"

QCoreApplication &EventLoopApplication()
{
    static int argc = 1;
    static char name[] = "wayfarel-test";
    static char *argv[] = {name, nullptr};
    // Never destroyed: objects of the test may outlive any scope it could end in.
    static QCoreApplication *const app =
        QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
    return *app;
}
