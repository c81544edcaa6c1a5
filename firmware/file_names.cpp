#include "firmware/file_names.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <string_view>

#include "link/serial_port.h"

namespace norvik {

namespace {

constexpr std::size_t kHeaderBytes = 9;
constexpr std::size_t kCountByte = 8;
constexpr std::size_t kPartABytes = 14;
constexpr std::size_t kPartBBytes = 7;
constexpr std::size_t kPartBBytesAfterAuto = 8;
constexpr std::string_view kHeaderText = "File_NO=";
constexpr std::string_view kRecordText = "File_Name=";
constexpr std::string_view kAutoStart = "auto";
constexpr std::string_view kAutoexec = "autoexec.bat";
constexpr std::size_t kVersionStart = 4;
constexpr std::size_t kVersionLength = 3;

// A chunk is zero-filled before the receive, so bytes that never arrived end
// its text like a terminating zero would.
std::string chunkText(std::span<const uint8_t> chunk) {
    const auto end = std::find(chunk.begin(), chunk.end(), uint8_t{0});
    return std::string(chunk.begin(), end);
}

template <std::size_t N>
std::array<uint8_t, N> receiveChunk(SerialPort& port, uint8_t portNumber, uint32_t baud) {
    std::array<uint8_t, N> chunk{};
    // The chunk's text decides, not the receive status: a time-out alone is no failure.
    (void)port.receiveBlock(portNumber, chunk, blockTimeout(baud, N));
    return chunk;
}

std::string versionOf(const std::string& name) {
    return name.size() > kVersionStart ? name.substr(kVersionStart, kVersionLength) : std::string{};
}

}  // namespace

void fileNameWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, FileNameReply& reply) {
    const auto header = receiveChunk<kHeaderBytes>(port, portNumber, baud);
    if (chunkText(header).find(kHeaderText) == std::string::npos) {
        reply.failed = true;
        return;
    }
    const uint8_t count = header[kCountByte];
    if (count > kFileNameSlots) {
        reply.failed = true;
        return;
    }
    reply.fileCount = count;

    for (std::size_t i = 0; i < count; ++i) {
        const std::string partA = chunkText(receiveChunk<kPartABytes>(port, portNumber, baud));
        if (partA.find(kRecordText) == std::string::npos) {
            reply.failed = true;
            return;
        }
        const std::string beginning = partA.substr(kRecordText.size());
        const std::string rest = beginning == kAutoStart
                                     ? chunkText(receiveChunk<kPartBBytesAfterAuto>(port, portNumber, baud))
                                     : chunkText(receiveChunk<kPartBBytes>(port, portNumber, baud));
        reply.names[i] = beginning + rest;
    }
}

FirmwareDisplay selectFirmwareFile(FirmwareQueryState query, const FileNameList& names, uint8_t fileCount) {
    FirmwareDisplay display;
    if (query == FirmwareQueryState::ReceiveError) {
        display.notSupported = true;
        return display;
    }
    display.fileCountText = std::to_string(fileCount);

    // The count never exceeds the slots when it comes from a reply; a larger
    // one must still not index past them.
    const std::size_t listed = std::min<std::size_t>(fileCount, kFileNameSlots);
    std::size_t chosen = listed;  // `listed` means: no firmware file
    if (listed == 1) {
        if (names[0] != kAutoexec) chosen = 0;
    } else if (listed >= 2) {
        chosen = names[listed - 1] != kAutoexec ? listed - 1 : listed - 2;
    }

    if (chosen == listed) {
        display.firmwareName = kNotFindFirmware;
    } else {
        display.firmwareName = names[chosen];
        display.version = versionOf(names[chosen]);
    }
    return display;
}

}  // namespace norvik
