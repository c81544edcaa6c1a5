#pragma once
// A gateway's configuration as JSON: what `norvik-cli info --json` prints and
// what a backup file's summary holds. Scripts read these names, so a name
// never changes; members are only added. Gateway texts are UTF-8.

#include <cstdint>

#include <nlohmann/json.hpp>

#include "backup/gateway_backup.h"

namespace norvik {

// "model", "parameters" (role, format, slave_device_id, ...), "rows" (the
// gateway node's parameter list, label to value) and "modules" (number, type,
// device_id, ... and their "rows").
nlohmann::json gatewayConfigJson(const GatewayConfig& config);

// "read", "count", "names", "safe_value_bytes"; "firmware" and "version" when
// the names were read.
nlohmann::json gatewayFilesJson(bool read, const FileNameList& names, uint8_t count, SafeValueLayout layout);

// "local_ip", "subnet_mask", "gateway", "remotes" (address, timeout_ms, reconnect_ms).
nlohmann::json ipSettingJson(const IpSettingRecord& record);

// All of it for a snapshot: the configuration, "files" and, on an HX-3420, "ip_setting".
nlohmann::json gatewaySnapshotJson(const GatewaySnapshot& gateway);

}  // namespace norvik
