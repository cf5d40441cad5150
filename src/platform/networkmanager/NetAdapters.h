#pragma once

#include "platform/kernel/KernelConnections.h"
#include "platform/networkmanager/NMSettings.h"

#include <QList>

// One network adapter as the program names it: a NetworkManager profile, or a kernel
// interface when no profile stands for it.
struct TNetAdapterInfo
{
    QString Id;          // adapter id, "{UUID}"
    QString ProfileUuid; // empty for a kernel interface
    QString Name;        // the profile's name, else the interface name
    QString Description; // the device's product name, else its interface name
    bool Active = false; // the profile is active on its device; a kernel interface is always live
    TKernelLink Link;    // the device as it is now (Index 0 when the profile has no device)
    TNMIPv4 Stored;      // the profile's saved IPv4 settings
    TNMIp4Config Live;   // gateway and DNS servers the device uses now, when Active
    QString AssignedMac; // the address the profile gives its device; empty when none
};

// NetworkManager's wired and wireless profiles, in its order, from one listing and one look at
// the devices; empty when it does not answer. A profile that cannot be read is left out and
// error says why.
QList<TNetAdapterInfo> ReadProfileAdapters(TNMSettings &nm, QString &error);
// One wired or wireless profile by UUID; false when NetworkManager has none such.
bool ReadProfileAdapter(TNMSettings &nm, const QString &uuid, TNetAdapterInfo &info);
// The profile active on the interface with index ifIndex; false when none is.
bool ReadActiveAdapterOn(TNMSettings &nm, int ifIndex, TNetAdapterInfo &info);
// The kernel's Ethernet-type interfaces, in index order.
QList<TNetAdapterInfo> ReadKernelAdapters();
