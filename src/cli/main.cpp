#include "adapters/SystemBackends.h"
#include "cli/wayfarelctl.h"

#include <QCoreApplication>
#include <QDBusConnection>

int main(int argc, char *argv[])
{
    QCoreApplication App(argc, argv);
    InstallSystemBackends(QDBusConnection::systemBus());
    QTextStream Out(stdout);
    QTextStream Err(stderr);
    return RunWayfarelctl(App.arguments().mid(1), Out, Err);
}
