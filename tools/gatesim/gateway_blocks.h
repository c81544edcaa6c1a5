#pragma once
// The bytes the gateway sends, laid out here on their own so that a fault in
// Norvik's decoders cannot be mirrored by the simulator.

#include <cstdint>
#include <vector>

#include "description.h"

namespace gatesim {

// 16-byte header followed by one 12-byte record per module, the system module first.
std::vector<uint8_t> parameterBlock(const GatewayDescription& d);

// "File_NO=" + count byte, then per file "File_Name=" + 4 characters and the rest
// of the name in 8 bytes after "auto", else 7. Names are cut or zero-padded to fit.
std::vector<uint8_t> fileNameReply(const GatewayDescription& d);

// A reply whose header is misspelt, so that no reader accepts it.
std::vector<uint8_t> malformedFileNameReply(const GatewayDescription& d);

// 512 or 976: the gateway's firmware fixes it, an explicit size in the description wins.
uint32_t safeValueBlockSize(const GatewayDescription& d);

std::vector<uint8_t> initialSafeValueBlock(const GatewayDescription& d);

// C0 A8 FF 01, FF FF 00 00, C0 A8 00 01, then eight remotes C0 A8 00 64 05 DC 1F 40.
std::vector<uint8_t> factoryIpBlock();

std::vector<uint8_t> initialIpBlock(const GatewayDescription& d);

}  // namespace gatesim
