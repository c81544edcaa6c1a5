#include "link/block_receivers.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "link/console_texts.h"
#include "serial/serial_port.h"
#include "model/parameter_block.h"

namespace norvik {

namespace {

namespace c = console;

// Every line the gateway's console sends of its own.
constexpr std::array<std::string_view, 19> kGatewayLines{
    c::kReplyConnect,
    c::kReplyParameter,
    c::kReplyParameterFinish,
    c::kReplyReceiveSafeValue,
    c::kReplySafeValueSent,
    c::kReplySaveSafeValueError,
    c::kReplyReceiveSafeValueError,
    c::kReplySafeValue,
    c::kReplySafeValueFinish,
    c::kReplyReadEepromError,
    c::kReplyReceiveIpSetting,
    c::kReplyIpSettingSent,
    c::kReplySaveIpSettingError,
    c::kReplyReceiveIpSettingError,
    c::kReplyIpSetting,
    c::kReplyIpSettingFinish,
    c::kReplyFileName,
    c::kReplyFileNameFinish,
    c::kReplyDisconnect,
};

bool endsWith(std::span<const uint8_t> bytes, std::string_view text) {
    return bytes.size() >= text.size() &&
           std::equal(text.begin(), text.end(), bytes.end() - static_cast<std::ptrdiff_t>(text.size()),
                      [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

// The gateway line that `bytes` ends with, terminator included; its length in `taken`.
const std::string_view* lastGatewayLine(std::span<const uint8_t> bytes, std::size_t& taken) {
    if (bytes.empty() || bytes.back() != '\n') return nullptr;
    std::span<const uint8_t> text = bytes.first(bytes.size() - 1);
    std::size_t terminator = 1;
    if (!text.empty() && text.back() == '\r') {
        text = text.first(text.size() - 1);
        ++terminator;
    }
    for (const std::string_view& line : kGatewayLines) {
        // "... finish" ends like no shorter reply does, so the first match is the only one.
        if (endsWith(text, line)) {
            taken = line.size() + terminator;
            return &line;
        }
    }
    return nullptr;
}

// Whether a byte occurs in some gateway line: a block that ends in none of
// them (nor in the "\r" after a whole line) ends in no line's head, as most
// blocks do, and the lines need no closer look.
constexpr std::array<bool, 256> kInSomeLine = [] {
    std::array<bool, 256> in{};
    for (const std::string_view line : kGatewayLines)
        for (const char c : line) in[static_cast<uint8_t>(c)] = true;
    return in;
}();

// How long a block whose last bytes could be the head of a gateway line waits
// for the rest of that line. A gateway says its finish line right after the
// block; the dialogue would not have read it before its next tick anyway.
constexpr uint16_t kLineRestWaitMs = 1000;

// The line's head as the gateway sends it: its text, then "\r".
bool endsWithHeadOf(std::span<const uint8_t> block, std::string_view line) {
    if (block.empty()) return false;
    const auto last = static_cast<char>(block.back());
    // A head ends in "\r" only when it is the whole text and its "\r"; no line holds one.
    if (last == '\r') return block.size() > line.size() && endsWith(block.first(block.size() - 1), line);
    // Otherwise in one of the line's bytes: only heads that end where the line
    // holds the block's last byte need a closer look.
    for (std::size_t at = line.find(last); at != std::string_view::npos && at < block.size();
         at = line.find(last, at + 1)) {
        if (endsWith(block, line.substr(0, at + 1))) return true;
    }
    return false;
}

BlockReceipt receive(SerialPort& port, uint8_t portNumber, uint32_t baud, std::span<uint8_t> buffer,
                     uint32_t nominalBytes) {
    return port.receiveBlock(portNumber, buffer, blockTimeout(baud, nominalBytes));
}

void tell(const ReceiveProgress& progress, std::size_t bytes, std::size_t total) {
    if (progress) progress(static_cast<uint32_t>(bytes), static_cast<uint32_t>(total));
}

}  // namespace

std::size_t trimLineHead(SerialPort& port, uint8_t portNumber, std::span<const uint8_t> block,
                         ReceiveOutcome& outcome) {
    // Lines found go behind those the outcome holds already.
    const std::size_t own = splitLinesAfter(block, outcome.linesAfter);
    if (own < block.size()) {
        outcome.whole = false;
        return own;
    }
    const bool doubtful = !block.empty() && (block.back() == '\r' || kInSomeLine[block.back()]) &&
                          std::any_of(kGatewayLines.begin(), kGatewayLines.end(),
                                      [&](std::string_view l) { return endsWithHeadOf(block, l); });
    if (!doubtful) return block.size();

    // The line that follows decides: the rest of a gateway line whose head
    // the block ends with means the block took that head for its last bytes.
    const std::string rest = port.receiveLine(portNumber, kLineRestWaitMs);
    std::size_t cut = 0;
    const std::string_view* taken = nullptr;
    for (const std::string_view& l : kGatewayLines) {
        if (rest.size() >= l.size() || !l.ends_with(rest)) continue;
        const std::string_view head = l.substr(0, l.size() - rest.size());
        std::size_t k = 0;
        if (endsWith(block, head)) k = head.size();
        // The line's "\r" came in the block, its "\n" after it.
        if (rest.empty() && !block.empty() && block.back() == '\r' && endsWith(block.first(block.size() - 1), l))
            k = l.size() + 1;
        if (k > cut) {
            cut = k;
            taken = &l;
        }
    }
    if (taken == nullptr) {
        // Block bytes that only look like a line's head; what came is the next line.
        if (!rest.empty()) outcome.linesAfter.push_back(rest);
        return block.size();
    }
    outcome.whole = false;
    outcome.linesAfter.emplace_back(*taken);
    return block.size() - cut;
}

std::size_t splitLinesAfter(std::span<const uint8_t> received, std::vector<std::string>& lines) {
    std::size_t end = received.size();
    // Found from the last one back, each goes in ahead of those after it.
    const auto at = static_cast<std::ptrdiff_t>(lines.size());
    std::size_t taken = 0;
    while (const std::string_view* line = lastGatewayLine(received.first(end), taken)) {
        lines.emplace(lines.begin() + at, *line);
        end -= taken;
    }
    return end;
}

ReceiveOutcome parseParameterBlock(SerialPort& port, uint8_t portNumber, uint32_t baud, GatewayConfig& config,
                                   const ReceiveProgress& progress) {
    // Header and records are received straight into the block as it came,
    // whose room is taken once for the records of every slot.
    std::vector<uint8_t> got;
    got.reserve(kHeaderBytes + kNominalRecordBlockBytes);
    got.assign(kHeaderBytes, 0);
    const BlockReceipt head = receive(port, portNumber, baud, got, kHeaderBytes);
    const std::size_t recordBytes = head.whole() ? announcedRecordBytes(got) : 0;
    if (head.whole()) tell(progress, kHeaderBytes, kHeaderBytes + recordBytes);

    BlockReceipt body{};
    if (recordBytes > 0) {
        got.resize(kHeaderBytes + recordBytes, 0);
        // Records beyond the tables are still drained, so the console dialogue
        // does not read them as lines; they need their own, longer time-out.
        const uint32_t nominal =
            std::max(static_cast<uint32_t>(kNominalRecordBlockBytes), static_cast<uint32_t>(recordBytes));
        body = receive(port, portNumber, baud, std::span(got).subspan(kHeaderBytes), nominal);
        tell(progress, kHeaderBytes + body.received, kHeaderBytes + recordBytes);
    }

    ReceiveOutcome outcome;
    outcome.whole = head.whole() && body.whole();
    got.resize(head.whole() ? kHeaderBytes + body.received : head.received);
    if (!outcome.whole) {
        got.resize(splitLinesAfter(got, outcome.linesAfter));
    } else {
        got.resize(trimLineHead(port, portNumber, got, outcome));
    }

    const std::size_t headerBytes = std::min(got.size(), kHeaderBytes);
    decodeParameterBlock(std::span(got).first(headerBytes), std::span(got).subspan(headerBytes), config);
    config.blockComplete = outcome.whole;
    outcome.raw = std::move(got);
    return outcome;
}

ReceiveOutcome fileNameWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, FileNameReply& reply,
                              const ReceiveProgress& progress) {
    const FileNameReply before = reply;
    FileNameReplyDecoder decoder(reply);
    ReceiveOutcome outcome{true, {}, {}};
    // Each chunk is received straight behind the ones before it, in room
    // enough for the header and a name or two.
    std::vector<uint8_t>& raw = outcome.raw;
    raw.reserve(64);
    while (const std::size_t n = decoder.nextChunkBytes()) {
        const std::size_t at = raw.size();
        raw.resize(at + n, 0);
        const std::span<uint8_t> chunk = std::span(raw).subspan(at);
        const BlockReceipt r = receive(port, portNumber, baud, chunk, static_cast<uint32_t>(n));
        if (!r.whole()) {
            // A reply that breaks off is no list: its last chunk is not decoded.
            outcome.whole = false;
            reply.failed = true;
            splitLinesAfter(chunk.first(r.received), outcome.linesAfter);
            raw.resize(at);
            break;
        }
        tell(progress, raw.size(), 0);
        decoder.feed(chunk);
    }
    if (outcome.whole && !outcome.raw.empty()) {
        const std::size_t own = trimLineHead(port, portNumber, outcome.raw, outcome);
        if (own < outcome.raw.size()) {
            // Its last name was made up from the line after it: the list is not the gateway's.
            outcome.raw.resize(own);
            reply = before;
            reply.failed = true;
        }
    }
    return outcome;
}

ReceiveOutcome ipSettingWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, IpSettingRecord& out,
                               const ReceiveProgress& progress) {
    IpSettingBlock block{};
    const BlockReceipt r = receive(port, portNumber, baud, block, kIpSettingBlockBytes);
    ReceiveOutcome outcome{r.whole(), {}, {}};
    const std::size_t blockBytes = outcome.whole
                                       ? trimLineHead(port, portNumber, block, outcome)
                                       : splitLinesAfter(std::span(block).first(r.received), outcome.linesAfter);
    if (outcome.whole) out = decodeIpSettingBlock(block);
    outcome.raw.assign(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(blockBytes));
    tell(progress, blockBytes, kIpSettingBlockBytes);
    return outcome;
}

ReceiveOutcome safeValueWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, std::size_t size,
                               std::vector<uint8_t>& out, const ReceiveProgress& progress) {
    out.assign(size, 0);
    const BlockReceipt r = receive(port, portNumber, baud, out, static_cast<uint32_t>(size));
    ReceiveOutcome outcome{r.whole(), {}, {}};
    const std::size_t blockBytes = outcome.whole
                                       ? trimLineHead(port, portNumber, out, outcome)
                                       : splitLinesAfter(std::span(out).first(r.received), outcome.linesAfter);
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(blockBytes), out.end(), uint8_t{0});
    outcome.raw.assign(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(blockBytes));
    tell(progress, blockBytes, size);
    return outcome;
}

}  // namespace norvik
