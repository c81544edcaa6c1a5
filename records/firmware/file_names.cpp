#include "firmware/file_names.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <string_view>

namespace norvik {

namespace {

constexpr std::size_t kHeaderBytes = 9;
constexpr std::size_t kCountByte = 8;
constexpr std::size_t kHeadBytes = 14;
constexpr std::size_t kTailBytes = 7;
constexpr std::size_t kTailBytesAfterAuto = 8;
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

// A name holds no control bytes: a line end in one is a console line that
// made up the bytes of a reply that came short.
bool holdsControlByte(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string versionOf(const std::string& name) {
    return name.size() > kVersionStart ? name.substr(kVersionStart, kVersionLength) : std::string{};
}

}  // namespace

std::size_t FileNameReplyDecoder::nextChunkBytes() const {
    switch (expect_) {
    case Expect::Header: return kHeaderBytes;
    case Expect::Head: return kHeadBytes;
    case Expect::Tail: return head_ == kAutoStart ? kTailBytesAfterAuto : kTailBytes;
    case Expect::Done: break;
    }
    return 0;
}

void FileNameReplyDecoder::feed(std::span<const uint8_t> chunk) {
    switch (expect_) {
    case Expect::Header: {
        if (chunkText(chunk).find(kHeaderText) == std::string::npos || chunk.size() <= kCountByte ||
            chunk[kCountByte] > kFileNameSlots) {
            reply_.failed = true;
            expect_ = Expect::Done;
            return;
        }
        reply_.fileCount = chunk[kCountByte];
        expect_ = reply_.fileCount == 0 ? Expect::Done : Expect::Head;
        return;
    }
    case Expect::Head: {
        const std::string head = chunkText(chunk);
        if (head.find(kRecordText) == std::string::npos || holdsControlByte(head)) {
            reply_.failed = true;
            expect_ = Expect::Done;
            return;
        }
        head_ = head.substr(kRecordText.size());
        expect_ = Expect::Tail;
        return;
    }
    case Expect::Tail: {
        const std::string tail = chunkText(chunk);
        if (holdsControlByte(tail)) {
            reply_.failed = true;
            expect_ = Expect::Done;
            return;
        }
        reply_.names[file_] = head_ + tail;
        ++file_;
        expect_ = file_ < reply_.fileCount ? Expect::Head : Expect::Done;
        return;
    }
    case Expect::Done: return;
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

    if (chosen != listed) {
        display.firmwareFound = true;
        display.firmwareName = names[chosen];
        display.version = versionOf(names[chosen]);
    }
    return display;
}

}  // namespace norvik
