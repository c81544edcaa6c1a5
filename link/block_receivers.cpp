#include "link/block_receivers.h"

#include <algorithm>
#include <array>

#include "link/serial_port.h"
#include "model/parameter_block.h"

namespace norvik {

void parseParameterBlock(SerialPort& port, uint8_t portNumber, uint32_t baud, GatewayConfig& config) {
    std::array<uint8_t, kHeaderBytes> header{};
    const uint16_t headerStatus = port.receiveBlock(portNumber, header, blockTimeout(baud, kHeaderBytes));

    std::vector<uint8_t> records(announcedRecordBytes(header), 0);
    uint16_t recordStatus = 0;
    if (!records.empty()) {
        // Records beyond the tables are still drained, so the console dialogue
        // does not read them as lines; they need their own, longer time-out.
        const uint16_t timeout =
            std::max(blockTimeout(baud, static_cast<uint32_t>(kNominalRecordBlockBytes)),
                     blockTimeout(baud, static_cast<uint32_t>(records.size())));
        recordStatus = port.receiveBlock(portNumber, records, timeout);
    }

    decodeParameterBlock(header, records, config);
    config.blockComplete = headerStatus == 0 && recordStatus == 0;
}

void fileNameWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, FileNameReply& reply) {
    FileNameReplyDecoder decoder(reply);
    std::vector<uint8_t> chunk;
    while (const std::size_t n = decoder.nextChunkBytes()) {
        chunk.assign(n, 0);
        // The chunk's text decides, not the receive status: a time-out alone is no failure.
        (void)port.receiveBlock(portNumber, chunk, blockTimeout(baud, static_cast<uint32_t>(n)));
        decoder.feed(chunk);
    }
}

bool ipSettingWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, IpSettingRecord& out) {
    IpSettingBlock block{};
    const uint16_t status = port.receiveBlock(portNumber, block, blockTimeout(baud, kIpSettingBlockBytes));
    if (status != 0) return false;
    out = decodeIpSettingBlock(block);
    return true;
}

bool safeValueWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, std::size_t size,
                     std::vector<uint8_t>& out) {
    out.assign(size, 0);
    return port.receiveBlock(portNumber, out, blockTimeout(baud, static_cast<uint32_t>(size))) == 0;
}

}  // namespace norvik
