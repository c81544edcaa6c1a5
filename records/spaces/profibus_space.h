#pragma once
// Address arithmetic of the PROFIBUS space view.

#include <optional>
#include <string>

#include "model/gateway_config.h"
#include "model/module_types.h"

namespace norvik {

inline constexpr int kProfibusBytes = 244;

const char* profibusTableTitle(ProfibusTable table);
std::string profibusRowLabel(int row);

struct ProfibusRows {
    ProfibusTable table;
    int firstRow;
    int rowCount;
};
// Grid rows of module k; they may run past the grid's end, which the grid skips.
std::optional<ProfibusRows> profibusModuleRows(const GatewayConfig& config, int k);

}  // namespace norvik
