#pragma once
// The receive loops of the four blocks the gateway sends. Each runs on a worker
// thread, owns the port while it runs and hands the bytes to the decoders of the
// subsystem that owns the block. Only bytes that came are decoded; a block that
// came short is reported so, never filled up with what followed it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "firmware/file_names.h"
#include "ipsetting/ip_setting.h"
#include "model/gateway_config.h"

namespace norvik {

class SerialPort;

// What a receive loop learnt beside its block.
struct ReceiveOutcome {
    // Every byte asked for came within its time-out.
    bool whole = false;
    // Console lines that came where the rest of a short block was awaited: the
    // gateway's next lines (its "finish", typically), taken by the receive. The
    // dialogue reads them as lines, in this order.
    std::vector<std::string> linesAfter;
    // The block's bytes exactly as they came, the lines after it left out.
    std::vector<uint8_t> raw;
};

// Told on the worker's thread after each piece of a block: bytes so far, and
// the block's size (0 while it is not known).
using ReceiveProgress = std::function<void(uint32_t bytes, uint32_t total)>;

// Splits what a short receive got into the block's bytes and the console
// lines that followed them: the longest run of whole lines at the end that
// are all replies the gateway gives. Returns how many bytes belong to the block.
std::size_t splitLinesAfter(std::span<const uint8_t> received, std::vector<std::string>& lines);

// A block that came whole may still be short: by fewer bytes than the console
// line after it, whose head then stands in for its last bytes. Where the
// block's tail could be the head of a gateway line, the next line is read and
// decides. Returns how many bytes belong to the block; a block found short
// clears outcome.whole, and the lines taken go to outcome.linesAfter (the whole
// gateway line, so that the dialogue reads it as it was said).
std::size_t trimLineHead(SerialPort& port, uint8_t portNumber, std::span<const uint8_t> block, ReceiveOutcome& outcome);

// Receives the header and the records and decodes what came into `config`
// (fields the block does not cover keep their values); sets config.blockComplete.
// A short header ends the receive: it cannot say how many records follow.
ReceiveOutcome parseParameterBlock(SerialPort& port, uint8_t portNumber, uint32_t baud, GatewayConfig& config,
                                   const ReceiveProgress& progress = {});

// Receives the file-name reply into `reply`. A reply that does not parse, or a
// chunk that comes short (not decoded), sets reply.failed; names stored before stay.
ReceiveOutcome fileNameWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, FileNameReply& reply,
                              const ReceiveProgress& progress = {});

// Receives the 76-byte IP setting block; `out` is written only when it came whole.
ReceiveOutcome ipSettingWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, IpSettingRecord& out,
                               const ReceiveProgress& progress = {});

// Receives a safe-value block of `size` bytes into `out` (size bytes; those
// that did not come, or were lines after a short block, are zero).
ReceiveOutcome safeValueWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, std::size_t size,
                               std::vector<uint8_t>& out, const ReceiveProgress& progress = {});

}  // namespace norvik
