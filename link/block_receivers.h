#pragma once
// The receive loops of the four blocks the gateway sends. Each runs on a worker
// thread, owns the port while it runs and hands the bytes to the decoders of the
// subsystem that owns the block.

#include <cstdint>
#include <vector>

#include "firmware/file_names.h"
#include "ipsetting/ip_setting.h"
#include "model/gateway_config.h"

namespace norvik {

class SerialPort;

// Receives the header and the records and updates `config` in place (fields the
// block does not cover keep their values). Sets config.blockComplete.
void parseParameterBlock(SerialPort& port, uint8_t portNumber, uint32_t baud, GatewayConfig& config);

// Receives the file-name reply into `reply`; a reply that does not parse sets
// reply.failed (names stored before the failure stay).
void fileNameWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, FileNameReply& reply);

// Receives the 76-byte IP setting block; false when it did not arrive in full
// (then `out` is left as it was).
bool ipSettingWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, IpSettingRecord& out);

// Receives a safe-value block of `size` bytes into `out`; false when it did not
// arrive in full.
bool safeValueWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, std::size_t size,
                     std::vector<uint8_t>& out);

}  // namespace norvik
