// Bytes as the gateway might send them after "send parameter to com": a header,
// records, and whatever follows. Two blocks are parsed into one configuration
// in a row, so records left from the first meet the second.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/block_receivers.h"
#include "support/fake_port.h"
#include "model/gateway_config.h"
#include "model/module_types.h"
#include "model/parameter_block.h"

namespace {

// Names the broken invariant's line before the crash, so a finding reads at once.
void require(bool holds, int line = __builtin_LINE()) {
    if (holds) return;
    std::fprintf(stderr, "parameter_block_fuzz: invariant on line %d broken\n", line);
    std::abort();
}

void checkInvariants(const norvik::GatewayConfig& c) {
    using namespace norvik;
    require(c.moduleCount <= kMaxModules);
    require(c.gatewayValueText[8] == std::to_string(c.moduleCount));
    require(c.systemModuleStatus == SystemModuleStatus::Present ||
            c.systemModuleStatus == SystemModuleStatus::Missing ||
            c.systemModuleStatus == SystemModuleStatus::Misplaced);
    for (const ModuleEntry& e : c.modules) {
        require(moduleTypeRow(e.type) != nullptr);
        // The largest count a record can give: 255 bytes with 255 bits in the last.
        require(e.coilCount <= 254u * 8u + 255u);
    }
    if (c.systemModuleStatus == SystemModuleStatus::Present && c.moduleCount > 0) {
        require(c.modules[1].deviceId == kSystemModuleId);
    }
    // A system module placed among the modules stands at its own position.
    const uint32_t position = systemModulePosition(c);
    if (c.systemModuleStatus == SystemModuleStatus::Misplaced && position <= c.moduleCount) {
        require(c.modules[position].deviceId == kSystemModuleId);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace norvik;
    test::FakePort port;
    port.queueBytes(std::span(data, size));

    GatewayConfig config;
    parseParameterBlock(port, 1, 115200, config);
    checkInvariants(config);

    // At most the announced records are drained, and what follows them only as
    // far as one console line: a block whose tail could be the head of the
    // gateway's next line is judged by that line, which goes back to the
    // dialogue as a line.
    const uint32_t announced = static_cast<uint8_t>((size > 11 ? data[11] : 0) + 1);
    const std::size_t blockBytes = kHeaderBytes + kRecordBytes * announced;
    const std::size_t after = size > blockBytes ? size - blockBytes : 0;
    require(port.pendingBytes() <= after);
    if (config.blockComplete) require(size >= blockBytes);
    if (size < blockBytes) require(!config.blockComplete);

    parseParameterBlock(port, 1, 9600, config);
    checkInvariants(config);
    return 0;
}
