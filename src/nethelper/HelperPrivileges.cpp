#include "nethelper/HelperPrivileges.h"

#include <cerrno>
#include <climits>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

struct TCapabilitySets
{
    __user_cap_header_struct Header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct Data[_LINUX_CAPABILITY_U32S_3]{};
};

bool ReadSets(TCapabilitySets &sets) { return ::syscall(SYS_capget, &sets.Header, sets.Data) == 0; }

bool WriteSets(TCapabilitySets &sets) { return ::syscall(SYS_capset, &sets.Header, sets.Data) == 0; }

} // namespace

bool ForbidNewPrivileges()
{
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    // Kernels before ambient capabilities have none to end.
    return ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) == 0 || errno == EINVAL;
}

bool KeepOnlyCapabilities(std::initializer_list<int> capabilities)
{
    TCapabilitySets current;
    if (!ReadSets(current))
        return false;
    TCapabilitySets kept;
    for (const int capability : capabilities) {
        if (capability < 0 || capability > CAP_LAST_CAP)
            continue;
        const unsigned word = CAP_TO_INDEX(capability);
        const unsigned mask = CAP_TO_MASK(capability);
        kept.Data[word].permitted |= current.Data[word].permitted & mask;
        kept.Data[word].effective |= current.Data[word].permitted & mask;
    }
    return WriteSets(kept);
}

void CloseInheritedDescriptors() { ::close_range(STDERR_FILENO + 1, UINT_MAX, 0); }
