#pragma once
// A report's source from what a backup holds, or from what a run has just
// read from the gateway: the two look alike, as a backup is such a read.

#include <string>

#include "backup/gateway_backup.h"
#include "report/report_source.h"

namespace norvik {

// Date and version are left empty for the writer to stamp.
ReportSource reportSourceFromSnapshot(const GatewaySnapshot& gateway, ReportOrigin originKind, std::string origin);

}  // namespace norvik
