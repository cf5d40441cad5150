// wayfarel-nethelper: the only part of the program that runs with privilege. It changes the
// neighbour table and sends raw ARP requests for users who may manage networking, and does
// nothing else: every argument is checked before anything is touched, and so is what it names
// (an interface that is up, hosts of its subnets); the environment is thrown away, no other
// program is started and only the one capability the operation needs is kept.

#include "base/Capabilities.h"
#include "base/NetHelperProtocol.h"
#include "nethelper/HelperOperations.h"
#include "nethelper/HelperPrivileges.h"
#include "nethelper/HelperRequest.h"

#include <cstdio>
#include <cstdlib>
#include <linux/capability.h>
#include <net/if.h>

namespace {

int SystemInterfaceIndex(const std::string &name) { return static_cast<int>(::if_nametoindex(name.c_str())); }

int Refused(const std::string &reason)
{
    std::fprintf(stderr, "wayfarel-nethelper: %s\n%s", reason.c_str(), HelperUsage());
    return heRefused;
}

// Arguments well formed but beyond the helper's reach: the reason alone, the usage would not help.
int OutOfScope(const std::string &reason)
{
    std::fprintf(stderr, "wayfarel-nethelper: %s\n", reason.c_str());
    return heRefused;
}

int MissingPrivilege(const char *capability)
{
    std::fprintf(stderr,
                 "wayfarel-nethelper: needs %s: the helper must carry the file capabilities "
                 "cap_net_admin,cap_net_raw+ep\n",
                 capability);
    return heNoPrivilege;
}

int Run(const THelperRequest &request)
{
    const bool probe = request.Operation == THelperOperation::ArpProbe;
    const int capability = probe ? CAP_NET_RAW : CAP_NET_ADMIN;
    if (!KeepOnlyCapabilities({capability}) || !HasEffectiveCapability(capability))
        return MissingPrivilege(probe ? "CAP_NET_RAW" : "CAP_NET_ADMIN");
    switch (request.Operation) {
    case THelperOperation::NeighbourAdd:
        return AddNeighbour(request, stderr);
    case THelperOperation::NeighbourDelete:
        return DeleteNeighbour(request, stderr);
    case THelperOperation::ArpProbe:
        return ProbeArp(request, stdout, stderr);
    }
    return heRefused;
}

} // namespace

int main(int argc, char **argv)
{
    ::clearenv();
    CloseInheritedDescriptors();
    if (!ForbidNewPrivileges() || !KeepOnlyCapabilities({CAP_NET_ADMIN, CAP_NET_RAW})) {
        std::fprintf(stderr, "wayfarel-nethelper: cannot give up privileges\n");
        return heNoPrivilege;
    }
    const auto parsed = ParseHelperRequest(argc, argv, SystemInterfaceIndex);
    if (const auto *refusal = std::get_if<THelperRefusal>(&parsed))
        return Refused(refusal->Reason);
    const auto &request = std::get<THelperRequest>(parsed);
    if (const auto refusal = ScopeRefusal(request))
        return OutOfScope(*refusal);
    return Run(request);
}
