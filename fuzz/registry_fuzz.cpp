// The registry file of the simulated handheld, read when the device starts. Whatever the file holds,
// reading it never fails hard; what was read, written back as the device writes it after a change and
// read again, gives the same keys and values.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "platform/sim/Device.h"
#include "platform/sim/Internal.h"

namespace sim = platform::sim;

namespace {

std::string Describe(const std::u16string& text) { return sim::detail::ToUtf8(text); }

void ExpectSame(const sim::RegistrySnapshot& before, const sim::RegistrySnapshot& after) {
    FUZZ_CHECK_MSG(before.size() == after.size(),
                   std::to_string(before.size()) + " keys became " + std::to_string(after.size()));
    for (const auto& [key, values] : before) {
        auto found = after.find(key);
        FUZZ_CHECK_MSG(found != after.end(), "key '" + Describe(key) + "' was lost");
        FUZZ_CHECK_MSG(found->second.size() == values.size(), "key '" + Describe(key) + "' changed its values");
        for (const auto& [name, value] : values) {
            auto other = found->second.find(name);
            FUZZ_CHECK_MSG(other != found->second.end(), "value '" + Describe(name) + "' was lost");
            FUZZ_CHECK_MSG(other->second.type == value.type, "value '" + Describe(name) + "' changed its type");
            FUZZ_CHECK_MSG(other->second.data == value.data, "value '" + Describe(name) + "' changed its data");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::Scratch().File("registry.reg");
    fuzz::WriteHostFile(path, data, size);

    sim::detail::LoadRegistryFile(path);
    const sim::RegistrySnapshot read = sim::Registry();
    sim::detail::SaveRegistryFile();
    sim::detail::LoadRegistryFile(path);
    ExpectSame(read, sim::Registry());

    sim::detail::LoadRegistryFile("");  // nothing of this run stays for the next
    return 0;
}
