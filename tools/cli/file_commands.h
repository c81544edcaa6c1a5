#pragma once
// The commands on backup files alone, with no gateway: show a backup as text,
// and the differences between two backups.

#include <string>

#include "device_run.h"

namespace norvik::cli {

// show FILE: the backup as stable text, one item a line.
DeviceReport showBackup(const std::string& path);

// diff A B: the table Compare with Backup shows, A in the backup's column and
// B in the gateway's; Differs when there is a difference.
DeviceReport diffBackups(const std::string& first, const std::string& second);

}  // namespace norvik::cli
