#pragma once
// Decoding the gateway's parameter block: a 16-byte header and one 12-byte
// record per module.

#include <cstdint>
#include <span>

#include "model/gateway_config.h"

namespace norvik {

class SerialPort;

// Parameter worker body: receives the header and the records from the open port
// and updates `config` in place (fields the block does not cover keep their
// values). Sets config.blockComplete. Runs on a worker thread on a private copy.
void parseParameterBlock(SerialPort& port, uint8_t portNumber, uint32_t baud, GatewayConfig& config);

// The same decoding from bytes already received; `records` may be shorter than
// announced (missing bytes read as zero).
void decodeParameterBlock(std::span<const uint8_t> header, std::span<const uint8_t> records,
                          GatewayConfig& config);

// Moves the system module (entry 0) to its position; Module k = entry k.
void placeSystemModule(GatewayConfig& config);

// Where the system module stands in the tree: its recorded position, where 0
// counts as 1 like every position below 1.
uint32_t systemModulePosition(const GatewayConfig& config);

// The type text shown for a module type code under a Modbus role.
const char* moduleTypeText(uint8_t typeCode, uint8_t role);

}  // namespace norvik
