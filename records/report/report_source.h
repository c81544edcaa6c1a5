#pragma once
// What a commissioning report is made from: the gateway's configuration and the
// blocks read beside it, where they came from, and when. A plain record, so
// that a live link, an opened backup and the command line fill it alike.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "firmware/file_names.h"
#include "ipsetting/ip_setting.h"
#include "model/gateway_config.h"
#include "safevalue/safe_value_layout.h"

namespace norvik {

// The safe-value block as the gateway sent it (or a file holds it), with the
// layout it is to be read by.
struct ReportSafeValues {
    SafeValueLayout layout = SafeValueLayout::Block512;
    std::vector<uint8_t> block;
};

enum class ReportOrigin : uint8_t { Port, BackupFile };

struct ReportSource {
    GatewayConfig config;
    FileNameList fileNames{};
    uint8_t fileCount = 0;
    std::optional<ReportSafeValues> safeValues;
    // Reported for an HX-3420 only; the other model has no IP setting.
    std::optional<IpSettingRecord> ipSetting;
    ReportOrigin originKind = ReportOrigin::Port;
    std::string origin;  // the port's device or the backup file's path, UTF-8
    std::string date;    // when the report was made, as it is to be printed
    std::string norvikVersion;
};

}  // namespace norvik
