#pragma once
// What norvik-cli says about backups: why a file is refused, why a restore is,
// and each difference between a backup and a gateway.

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "backup/backup_diff.h"
#include "backup/gateway_backup.h"

namespace norvik::cli {

std::string backupProblemText(const BackupProblem& problem);
std::string restoreRefusalText(const RestoreCheck& check);

// One line per difference, for people, in the order the window's table shows them.
std::vector<std::string> differenceLines(const BackupDifferences& differences);
// The same for programs: {"parameters": [...], "safe_values": [...], "ip_setting": [...]}.
nlohmann::json differencesJson(const BackupDifferences& differences);

}  // namespace norvik::cli
