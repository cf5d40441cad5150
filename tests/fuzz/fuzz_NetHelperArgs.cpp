// Feeds the helper's argument checks arbitrary command lines: the bytes split at NUL into
// arguments, as the kernel hands them over.
#include "nethelper/HelperRequest.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

int LabInterfaces(const std::string &Name) { return Name == "lo" ? 1 : Name == "wfl0" ? 2 : 0; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    std::vector<std::string> args{"wayfarel-nethelper"};
    std::string current;
    for (size_t i = 0; i < Size; ++i) {
        if (Data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(Data[i]));
        }
    }
    args.push_back(current);
    std::vector<const char *> argv;
    for (const std::string &arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    const auto outcome = ParseHelperRequest(static_cast<int>(args.size()), argv.data(), LabInterfaces);
    // An accepted request holds what its operation needs, never more addresses than allowed.
    if (const auto *request = std::get_if<THelperRequest>(&outcome)) {
        if (request->InterfaceIndex <= 0 || request->Targets.size() > 256)
            __builtin_trap();
    }
    return 0;
}
