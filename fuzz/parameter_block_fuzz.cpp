// Bytes as the gateway might send them after "send parameter to com": a header,
// records, and whatever follows. Two blocks are parsed into one configuration
// in a row, so records left from the first meet the second.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/block_receivers.h"
#include "support/fake_port.h"
#include "model/gateway_config.h"
#include "model/module_types.h"
#include "model/parameter_block.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
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

    // Exactly the announced records are drained, never a byte of what follows.
    const uint32_t announced = static_cast<uint8_t>((size > 11 ? data[11] : 0) + 1);
    const std::size_t blockBytes = kHeaderBytes + kRecordBytes * announced;
    require(port.pendingBytes() == (size > blockBytes ? size - blockBytes : 0));
    require(config.blockComplete == (size >= blockBytes));

    parseParameterBlock(port, 1, 9600, config);
    checkInvariants(config);
    return 0;
}
