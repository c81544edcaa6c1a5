#pragma once
// The gateway's list of stored files, read after "LOAD--FILE_NAME".

#include <atomic>
#include <cstdint>
#include <string>

#include "link/link_session.h"

namespace norvik {

class SerialPort;

struct FileNameReply {
    FileNameList names{};   // starts as the names held before the query
    uint8_t fileCount = 0;  // starts as the count held before the query
    bool failed = false;
};

// File-name worker body: receives the reply chunk by chunk from the open port
// into `reply`. On a reply that does not parse sets reply.failed (names stored
// before the failure stay).
void fileNameWorker(SerialPort& port, uint8_t portNumber, uint32_t baud, FileNameReply& reply);

// What the "Firmware Information" dialog shows for the list held.
struct FirmwareDisplay {
    bool notSupported = false;  // show the "not support" box, leave fields empty
    std::string firmwareName;
    std::string version;
    std::string fileCountText = "0";
};
FirmwareDisplay selectFirmwareFile(FirmwareQueryState query, const FileNameList& names, uint8_t fileCount);

inline constexpr const char* kNotSupportedMessage = "This module is not support Get Firmware version Command !";
inline constexpr const char* kNotFindFirmware = "Not Find Firmware";

}  // namespace norvik
