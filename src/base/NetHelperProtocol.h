#pragma once

// What the program and its privileged helper agree on. Free of Qt: the helper is built from the
// few files it needs, so it stays small enough to read in one sitting.

inline constexpr const char *NetHelperName = "wayfarel-nethelper";

// The helper's operations, each on a named interface:
//   neigh-add IFACE IP MAC            permanent neighbour entry carrying the program's mark
//   neigh-del IFACE IP                removes such an entry, and only such an entry
//   arp-probe IFACE DEADLINE_MS IP... raw ARP requests; one "IP MAC" line per answer
// neigh-add and arp-probe act only on an interface that is up, not loopback and speaks ARP, and
// only on hosts of its subnets (not their network or broadcast address, nor this host's own).
// neigh-add never replaces an entry the program did not make, other than one the kernel
// resolved by itself, and the program holds at most MaxOwnNeighbours marked entries. A probe
// sends at most two frames per address, and the frames of all calls together leave at most one
// a millisecond.
inline constexpr const char *NeighbourAddOperation = "neigh-add";
inline constexpr const char *NeighbourDeleteOperation = "neigh-del";
inline constexpr const char *ArpProbeOperation = "arp-probe";

inline constexpr int MaxProbeTargets = 256;
inline constexpr int MinProbeDeadlineMs = 1;
inline constexpr int MaxProbeDeadlineMs = 5000;

// The program's bindings carry this originator mark in the neighbour table, so a later run of the
// program (or wayfarelctl, or the helper) can tell them from entries the administrator made.
inline constexpr int OwnNeighbourProtocol = 87;
// At most this many entries carry the mark at once, so repeated calls cannot fill the neighbour
// table with permanent entries its garbage collection never takes.
inline constexpr int MaxOwnNeighbours = 16;

// The helper's exit status.
enum THelperExit {
    heDone = 0,
    heFailed = 1,      // the kernel refused, or another call held the helper's lock too long
    heRefused = 2,     // malformed, or beyond what the helper may touch: nothing was touched
    heNoPrivilege = 3, // the capability the operation needs is missing
};
