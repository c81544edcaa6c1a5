#include "spaces/profibus_space.h"

#include "spaces/device_space.h"

namespace norvik {

const char* profibusTableTitle(ProfibusTable table) {
    return table == ProfibusTable::Output ? "Profibus Output Data" : "Profibus Input Data";
}

std::string profibusRowLabel(int row) { return "Byte " + std::to_string(row - 1); }

std::optional<ProfibusRows> profibusModuleRows(const GatewayConfig& config, int k) {
    if (k < 1 || k > kModuleBoxCount) return std::nullopt;
    const ModuleEntry& module = config.modules[static_cast<std::size_t>(k)];
    const ModuleTypeRow* type = moduleTypeRow(module.type);
    if (type == nullptr || module.dataLength == 0) return std::nullopt;
    return ProfibusRows{type->profibus, module.profibusBase + 1, module.dataLength};
}

}  // namespace norvik
