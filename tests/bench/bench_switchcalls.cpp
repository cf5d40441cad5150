// Counts what one static switch (as wayfarelctl makes it) asks of NetworkManager, in-process on the in-memory
// NetworkManager of the tests: every bus call by method, the profile saves, activations and
// reapplies. "bench_switchcalls mac" gives the location a MAC address of its own as well.
// tests/bench/switch-calls runs it under strace to add the registry hive reads and the
// programs started.
#include "adapters/IpAddress.h"
#include "adapters/Network.h"
#include "app/DBManager.h"
#include "locations/Location.h"
#include "modules/ProgramModules.h"
#include "support/FakeNetwork.h"
#include "support/TestRoot.h"

#include <QCoreApplication>
#include <QMap>
#include <cstdio>

namespace {

const QString LocId = QStringLiteral("PROBESTATIC000000000000000000001");

void StoreStaticLocation(bool WithMac)
{
    TLocation Location(LocId, ProgramModules());
    Location.SetLocName(QStringLiteral("Probe"));
    Location.SetNetId(TFakeNetwork::OfficeId);
    Location.Save();
    TIPAddress &Ip = *Location.IpAddress();
    Ip.SetIPAddr(QStringLiteral("10.0.0.9"));
    Ip.SetSubnetMask(QStringLiteral("255.255.255.0"));
    Ip.SetGateWay(QStringLiteral("10.0.0.1"));
    Ip.SetMainDNS(QStringLiteral("10.0.0.53"));
    Ip.SetMacAddr(WithMac ? QStringLiteral("02-11-22-33-44-55") : TIPAddress::UnsetMac);
    Ip.Save();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication App(argc, argv);
    const bool WithMac = App.arguments().contains(QStringLiteral("mac"));
    TTestRoot Root;
    InitConnectionString(Root.DataFolder());
    SetLocationConnection(GetConnection());
    TFakeNetwork Network;
    StoreStaticLocation(WithMac);

    Network.Bus->Log.clear();
    TLocationList Locations(ProgramModules());
    const TNetWorkList Adapters;
    QString Error;
    const bool Switched = Locations.SwitchToLocation(LocId, Adapters, &Error);

    QMap<QString, int> ByMethod;
    for (const QString &Method : std::as_const(Network.Bus->Log))
        ++ByMethod[Method];
    std::printf("static switch%s: %s\n", WithMac ? " with a MAC" : "",
                Switched ? "switched" : qPrintable(Error));
    std::printf("  NetworkManager calls: %lld\n", static_cast<long long>(Network.Bus->Log.size()));
    for (auto It = ByMethod.cbegin(); It != ByMethod.cend(); ++It)
        std::printf("    %-22s %d\n", qPrintable(It.key()), It.value());
    CloseConnection();
    return Switched ? 0 : 1;
}
