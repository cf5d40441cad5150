#pragma once

// What the program and its privileged helper agree on. Free of Qt: the helper is built from the
// few files it needs, so it stays small enough to read in one sitting.

inline constexpr const char *NetHelperName = "wayfarel-nethelper";

// The helper's operations, each on a named interface:
//   neigh-add IFACE IP MAC            permanent neighbour entry carrying the program's mark
//   neigh-del IFACE IP                removes such an entry, and only such an entry
//   arp-probe IFACE DEADLINE_MS IP... raw ARP requests; one "IP MAC" line per answer
inline constexpr const char *NeighbourAddOperation = "neigh-add";
inline constexpr const char *NeighbourDeleteOperation = "neigh-del";
inline constexpr const char *ArpProbeOperation = "arp-probe";

inline constexpr int MaxProbeTargets = 256;
inline constexpr int MinProbeDeadlineMs = 1;
inline constexpr int MaxProbeDeadlineMs = 5000;

// The program's bindings carry this originator mark in the neighbour table, so a later run of the
// program (or wayfarelctl, or the helper) can tell them from entries the administrator made.
inline constexpr int OwnNeighbourProtocol = 87;

// The helper's exit status.
enum THelperExit {
    heDone = 0,
    heFailed = 1,      // the kernel refused or there was nothing to do
    heRefused = 2,     // the arguments were refused; nothing was touched
    heNoPrivilege = 3, // the capability the operation needs is missing
};
