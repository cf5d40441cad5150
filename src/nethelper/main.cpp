// wayfarel-nethelper: the only part of the program that runs with privilege. It changes the
// neighbour table and sends raw ARP requests for users who may manage networking, and does
// nothing else: every argument is checked before anything is touched, the environment is
// thrown away, no other program is started and only the one capability the operation needs is
// kept.

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

int SystemInterfaceIndex(const std::string &Name) { return static_cast<int>(::if_nametoindex(Name.c_str())); }

int Refused(const std::string &Reason)
{
    std::fprintf(stderr, "wayfarel-nethelper: %s\n%s", Reason.c_str(), HelperUsage());
    return heRefused;
}

int MissingPrivilege(const char *Capability)
{
    std::fprintf(stderr,
                 "wayfarel-nethelper: needs %s: the helper must carry the file capabilities "
                 "cap_net_admin,cap_net_raw+ep\n",
                 Capability);
    return heNoPrivilege;
}

int Run(const THelperRequest &Request)
{
    const bool probe = Request.Operation == THelperOperation::ArpProbe;
    const int capability = probe ? CAP_NET_RAW : CAP_NET_ADMIN;
    if (!KeepOnlyCapabilities({capability}) || !HasEffectiveCapability(capability))
        return MissingPrivilege(probe ? "CAP_NET_RAW" : "CAP_NET_ADMIN");
    switch (Request.Operation) {
    case THelperOperation::NeighbourAdd:
        return AddNeighbour(Request, stderr);
    case THelperOperation::NeighbourDelete:
        return DeleteNeighbour(Request, stderr);
    case THelperOperation::ArpProbe:
        return ProbeArp(Request, stdout, stderr);
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
    return Run(std::get<THelperRequest>(parsed));
}
