#pragma once

#include <initializer_list>

// The helper's hold on its privileges. It gets cap_net_admin and cap_net_raw from its file
// capabilities and keeps only what the operation at hand needs.

// Forbids gaining privileges through exec, ever, and ends ambient capabilities. False when the
// kernel refused.
bool ForbidNewPrivileges();

// Narrows the permitted and effective sets to those of Capabilities this process holds, with
// nothing inheritable. False when the kernel refused.
bool KeepOnlyCapabilities(std::initializer_list<int> capabilities);

// Closes every descriptor beyond the standard three, so none its caller left open is used.
void CloseInheritedDescriptors();
