#include "views/profibus_space.h"

#include "views/device_space.h"

namespace norvik {

const char* profibusTableTitle(ProfibusTable table) {
    return table == ProfibusTable::Output ? "Profibus Output Data" : "Profibus Input Data";
}

std::string profibusRowLabel(int row) {
    return "Byte " + std::to_string(row - 1);
}

std::optional<ProfibusRows> profibusModuleRows(const GatewayConfig& config, int k) {
    if (k < 1 || k > kModuleBoxCount) return std::nullopt;
    const ModuleEntry& module = config.modules[static_cast<std::size_t>(k)];
    ProfibusTable table;
    switch (static_cast<uint8_t>(module.type)) {
    case 0:
    case 2: table = ProfibusTable::Output; break;
    case 1:
    case 3:
    case 4:
    case 5: table = ProfibusTable::Input; break;
    default: return std::nullopt;
    }
    if (module.dataLength == 0) return std::nullopt;
    return ProfibusRows{table, module.profibusBase + 1, module.dataLength};
}

}  // namespace norvik
