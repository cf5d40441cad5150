#pragma once

class QDBusConnection;

// Puts this computer behind the program's Windows-shaped facilities: the connection manager of
// TNetManager (NetworkManager on SystemBus, else the kernel's interfaces), the adapters'
// driver keys and TCP/IP interface keys in the registry, the WMI classes of adapters,
// printers, shares and network connections, the desktop proxy of the user's session with its
// Internet Settings key, Samba's user shares, the session's GVFS mounts and the way to the
// privileged helper (wayfarel-nethelper) for a process without network capabilities. Nothing is mounted by
// a first use: each program's main calls this once, a test calls it when it wants the real system. Calling it
// again replaces what it installed.
void InstallSystemBackends(const QDBusConnection &SystemBus);
// Takes all of that away again: no connection manager, no mounted keys, no WMI classes, no
// desktop proxy, no shares, no mounts.
void RemoveSystemBackends();
