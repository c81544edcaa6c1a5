#include "report/report_from_backup.h"

#include <utility>

namespace norvik {

ReportSource reportSourceFromSnapshot(const GatewaySnapshot& gateway, ReportOrigin originKind, std::string origin) {
    ReportSource source;
    source.config = gateway.config;
    source.fileNames = gateway.fileNames;
    source.fileCount = gateway.fileCount;
    if (!gateway.blocks.safeValues.empty()) {
        source.safeValues = ReportSafeValues{gateway.blocks.safeValueLayout, gateway.blocks.safeValues};
    }
    if (gateway.config.modelName == kModelHx3420) source.ipSetting = gateway.ipSetting;
    source.originKind = originKind;
    source.origin = std::move(origin);
    return source;
}

}  // namespace norvik
