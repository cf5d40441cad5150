#pragma once

// Whether this process holds a capability (CAP_* of linux/capability.h) in its effective set:
// what decides whether it may act itself, whatever its user. Free of Qt for the helper.
bool HasEffectiveCapability(int capability);
