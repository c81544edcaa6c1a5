#pragma once
// Decoding the gateway's parameter block: a 16-byte header and one 12-byte
// record per module.

#include <cstddef>
#include <cstdint>
#include <span>

#include "model/gateway_config.h"

namespace norvik {

// How many record bytes a header announces (its module count byte plus one,
// whatever the tables can hold).
std::size_t announcedRecordBytes(std::span<const uint8_t> header);

// What the tables can hold; a record receive waits at least as long as this
// many bytes take, however few records the header announces.
inline constexpr std::size_t kNominalRecordBlockBytes = kModuleSlots * kRecordBytes;

// The same decoding from bytes already received; `records` may be shorter than
// announced (missing bytes read as zero).
void decodeParameterBlock(std::span<const uint8_t> header, std::span<const uint8_t> records, GatewayConfig& config);

// Moves the system module (entry 0) to its position; Module k = entry k.
void placeSystemModule(GatewayConfig& config);

// Where the system module stands in the tree: its recorded position, where 0
// counts as 1 like every position below 1.
uint32_t systemModulePosition(const GatewayConfig& config);

}  // namespace norvik
