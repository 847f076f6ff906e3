// The registry file of the simulated handheld, read when the device starts. Whatever the file holds,
// reading it never fails hard; what was read, written back as the device writes it after a change and
// read again, gives the same keys and values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "platform/windowing/Device.h"
#include "platform/windowing/Internal.h"

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
    // The file's bytes are read as the device reads the file it opened; what the device would write back
    // is read the same way. The file calls around the reader do not depend on the bytes (registry_test
    // covers them), so the round trip stays in memory and the run spends its time in the reader.
    sim::detail::LoadRegistryText(std::string_view(reinterpret_cast<const char*>(data), size));
    const sim::RegistrySnapshot read = sim::Registry();
    sim::detail::LoadRegistryText(sim::detail::RegistryFileText());
    ExpectSame(read, sim::Registry());

    sim::detail::LoadRegistryText("");  // nothing of this run stays for the next
    return 0;
}
