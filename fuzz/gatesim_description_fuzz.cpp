// Any text as the simulator's JSON description: it is either taken, with every
// block it describes of a size the gateway could send, or refused with a
// DescriptionError, never with another exception or a crash.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "description.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const gatesim::GatewayDescription d = gatesim::parseDescription(text);
        if (d.safeValueBlock && d.safeValueBlock->size() != 512 && d.safeValueBlock->size() != 976) std::abort();
        if (d.ipBlock && d.ipBlock->size() != 76) std::abort();
    } catch (const gatesim::DescriptionError&) {}
    return 0;
}
