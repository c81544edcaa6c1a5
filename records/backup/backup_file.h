#pragma once
// The backup file (*.norvik): JSON with the gateway's blocks in base64, a
// checksum over them and, for people, a decoded summary that Norvik never
// reads back. docs/backup-format.md describes it member by member.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "backup/gateway_backup.h"

namespace norvik {

inline constexpr const char* kBackupFormatTag = "norvik-backup";
// A newer minor version only adds members, which an older Norvik skips; a
// newer major version may change what is there, so it is refused.
inline constexpr uint32_t kBackupFormatMajor = 1;
inline constexpr uint32_t kBackupFormatMinor = 0;

// The file's text, as writeBackupFile stores it.
std::string backupFileText(const GatewayBackup& backup);

// Replaces `path` whole or not at all (a temporary file renamed over it):
// CannotWrite, with the old file untouched, when any step fails.
BackupProblem writeBackupFile(const std::string& path, const GatewayBackup& backup);

struct BackupReadResult {
    std::optional<GatewayBackup> backup;
    BackupProblem problem;
};

// Reads a backup file, refusing (with the reason) anything that is not one
// this Norvik wrote or could have written.
BackupReadResult readBackupFile(const std::string& path);

// The same checks on a file's content already in memory.
BackupReadResult parseBackupText(std::string_view text);

}  // namespace norvik
