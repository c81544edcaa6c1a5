#pragma once
// A gateway's state as Norvik can read it: the blocks exactly as they came
// over the wire and what they decode to, and a backup of it (the blocks with
// when, where from and by which Norvik they were taken).
//
// The decoded forms follow from the blocks alone, so a backup cannot say one
// thing in its blocks and another beside them: whatever Norvik reads from a
// backup file it reads from the blocks.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "firmware/file_names.h"
#include "ipsetting/ip_setting.h"
#include "model/gateway_config.h"
#include "safevalue/safe_value_layout.h"

namespace norvik {

// Why blocks or a backup file were refused. The window picks the words; the
// detail in BackupProblem names the member and the sizes concerned.
enum class BackupError : uint8_t {
    None,
    CannotOpen,      // missing, or not readable
    NotRegularFile,  // a folder, a device, a FIFO
    TooLarge,        // more than kMaxBackupFileBytes: expected is the limit, actual the size
    BadJson,
    NotABackup,      // JSON, but without the backup's format tag
    NewerFormat,     // expected: the major version this Norvik reads; actual: the file's
    MissingField,    // field: the member that is missing
    BadField,        // field: a member of the wrong type or value (bad base64, unknown layout)
    WrongChecksum,   // expected: the checksum stored; actual: the one the blocks give
    WrongBlockSize,  // field: the block; expected and actual: its size in bytes
    Inconsistent,    // field: a member that contradicts the blocks (model, layout, IP block)
    CannotWrite,     // the file could not be written; an existing one is untouched
};

struct BackupProblem {
    BackupError error = BackupError::None;
    std::string field;  // the JSON member concerned, "blocks.safeValues" for instance
    uint64_t expected = 0;
    uint64_t actual = 0;
    bool ok() const { return error == BackupError::None; }
    bool operator==(const BackupProblem&) const = default;
};

// What the gateway sent for each request, byte for byte.
struct GatewayBlocks {
    std::vector<uint8_t> parameters;  // the 16-byte header and the 12-byte records
    // The reply to the file-name query; none when the gateway gave no list
    // (a firmware that does not know the query).
    std::optional<std::vector<uint8_t>> fileNames;
    SafeValueLayout safeValueLayout = SafeValueLayout::Block512;
    std::vector<uint8_t> safeValues;                // 512 or 976 bytes, by the layout
    std::optional<std::vector<uint8_t>> ipSetting;  // the 76-byte block, on an HX-3420 only
    bool operator==(const GatewayBlocks&) const = default;
};

// Blocks that passed checkGatewayBlocks, with what they decode to.
struct GatewaySnapshot {
    GatewayBlocks blocks;
    GatewayConfig config;
    FileNameList fileNames{};
    uint8_t fileCount = 0;
    std::optional<IpSettingRecord> ipSetting;
};

struct SnapshotResult {
    std::optional<GatewaySnapshot> snapshot;
    BackupProblem problem;
};

// Checks that the blocks are what a gateway sends and agree with each other,
// and decodes them:
// - the parameter block holds its header and exactly the records the header
//   announces;
// - the file-name reply parses whole, with no byte left over;
// - the safe values fill the layout's block, and the layout is the one the
//   model and the file names choose;
// - an HX-3420 has its 76-byte IP setting block, any other model none.
SnapshotResult checkGatewayBlocks(GatewayBlocks blocks);

// When, where from and by which Norvik a backup was taken.
struct BackupOrigin {
    std::string takenAt;  // UTC, "2026-12-07T17:20:05Z"
    std::string port;     // the serial device the gateway was on
    uint32_t baud = 0;
    std::string norvikVersion;
    bool operator==(const BackupOrigin&) const = default;
};

struct GatewayBackup {
    BackupOrigin origin;
    GatewaySnapshot gateway;
};

// The origin of a backup taken now by this Norvik.
BackupOrigin backupOriginNow(std::string port, uint32_t baud,
                             std::chrono::system_clock::time_point at = std::chrono::system_clock::now());

// A point in time as a backup records it: UTC to the second, ISO 8601.
std::string backupTimeText(std::chrono::system_clock::time_point at);

// The name a save proposes: model and the day, "HX-3420_2026-12-07.norvik".
std::string proposedBackupFileName(const std::string& modelName, std::chrono::year_month_day day);

// The CRC-32 (zlib's) the file stores over the blocks: each present block in
// the order parameters, file names, safe values, IP setting, as one tag byte
// ('P', 'F', 'S', 'I'), its length in four bytes big-endian and its bytes.
uint32_t backupChecksum(const GatewayBlocks& blocks);

inline constexpr const char* kBackupFileExtension = "norvik";
// A backup is at most some 21 KB; anything this large is something else.
inline constexpr std::size_t kMaxBackupFileBytes = 1u << 20;
// A backup nests a few levels deep. The JSON parser builds a value for every
// level it opens, so a file of brackets would cost hundreds of bytes a byte.
inline constexpr std::size_t kMaxBackupNesting = 16;

}  // namespace norvik
