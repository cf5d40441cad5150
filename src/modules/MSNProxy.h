#pragma once

#include "locations/FuncDef.h"
#include "locations/Proxy.h"

// The SOCKS 4 proxy of MSN Messenger, kept in its key of the current user's registry hive: the
// server as a string, the port as four little-endian bytes; both emptied for a direct connection.
class TMSNProxy : public TProxyModule<TMSNProxy>
{
public:
    static constexpr TModuleKind Kind = TModuleKind::MSN;
    static constexpr QLatin1String Code = FUNC_MSN;
    // Messenger's key exists in the current user's hive.
    static bool IsInstalled();

    explicit TMSNProxy(const QString &LocId) : TProxyModule(LocId) {}

    // Refuses a proxy in use without a host or with a port outside 1..65535.
    bool Check(QStringList *Reasons) override;

    const QString &Socket4Server() const { return FSocket4Server; }
    void SetSocket4Server(const QString &Value) { FSocket4Server = Value; }
    int Socket4Port() const { return FSocket4Port; }
    void SetSocket4Port(int Value) { FSocket4Port = Value; }

protected:
    TRowBinding Binding() override;
    // False when the key has gone; a value that cannot be written raises.
    bool Apply() override;

private:
    QString FSocket4Server;
    int FSocket4Port = 0;
};
