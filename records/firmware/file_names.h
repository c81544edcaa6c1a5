#pragma once
// The gateway's list of stored files, read after "LOAD--FILE_NAME".

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace norvik {

inline constexpr std::size_t kFileNameSlots = 10;
using FileNameList = std::array<std::string, kFileNameSlots>;

// Where the firmware query stands; the wire values are shared with the dialogs.
enum class FirmwareQueryState : uint8_t { Idle = 0, Requested = 1, Receiving = 2, Received = 3, ReceiveError = 4 };

struct FileNameReply {
    FileNameList names{};   // starts as the names held before the query
    uint8_t fileCount = 0;  // starts as the count held before the query
    bool failed = false;
};

// Reads the reply chunk by chunk: the header ("File_NO=" and the count), then per
// file a head ("File_Name=" and the name's first four characters) and a tail with
// the rest of the name. The size of each chunk depends on what came before, so
// the receiver asks nextChunkBytes() before each receive and feeds what came.
// A chunk that does not parse sets reply.failed; names stored before stay.
class FileNameReplyDecoder {
public:
    explicit FileNameReplyDecoder(FileNameReply& reply) : reply_(reply) {}

    // Bytes of the next chunk, 0 once the reply is complete or has failed.
    std::size_t nextChunkBytes() const;
    // One chunk, zero-filled where bytes did not arrive.
    void feed(std::span<const uint8_t> chunk);
    bool done() const { return nextChunkBytes() == 0; }

private:
    enum class Expect : uint8_t { Header, Head, Tail, Done };

    FileNameReply& reply_;
    Expect expect_ = Expect::Header;
    std::size_t file_ = 0;
    std::string head_;
};

// What the "Firmware Information" dialog shows for the list held.
struct FirmwareDisplay {
    bool notSupported = false;   // show the "not support" box, leave fields empty
    bool firmwareFound = false;  // false: the list names no firmware file
    std::string firmwareName;
    std::string version;
    std::string fileCountText = "0";
};
FirmwareDisplay selectFirmwareFile(FirmwareQueryState query, const FileNameList& names, uint8_t fileCount);

}  // namespace norvik
