#pragma once
// A backup as text a person reads and a line diff compares: one item a line,
// in the order the window shows them (tree, file names, safe-value grids DO,
// DI, AO, AI, IP dialog), each line named as the difference table names it.
// Gateway texts are converted to UTF-8.

#include <cstdint>
#include <string>

#include "backup/backup_diff.h"
#include "backup/gateway_backup.h"

namespace norvik {

std::string backupText(const GatewayBackup& backup);

// A field of the IP setting as the text and the difference table name it:
// "local_ip", "remotes[3].timeout_ms".
std::string ipFieldName(IpField field, uint8_t remote);

}  // namespace norvik
