#include "spaces/device_space.h"

#include <algorithm>

#include "model/parameter_block.h"

namespace norvik {

uint32_t spaceUseColour(SpaceUse use) {
    switch (use) {
    case SpaceUse::NotUsed: return 0xFFFFFF;
    case SpaceUse::InUse: return 0xFFFF00;
    case SpaceUse::AddrOverlap: return 0xFF0000;
    case SpaceUse::AddrIdOverlap: return 0x0000FF;
    }
    return 0xFFFFFF;
}

int shownModuleCount(const GatewayConfig& config) { return std::min<int>(config.moduleCount, kModuleBoxCount); }

std::array<ModuleBoxState, kModuleBoxCount> moduleBoxStates(const GatewayConfig& config) {
    std::array<ModuleBoxState, kModuleBoxCount> boxes{};
    const bool systemPresent = config.modules[0].deviceId == kSystemModuleId;
    // A recorded position of 0 puts the system module in slot 1, as the tree shows it.
    const uint32_t systemSlot = systemModulePosition(config);
    for (int k = 1; k <= shownModuleCount(config); ++k) {
        const bool isSystemSlot = systemPresent && systemSlot == static_cast<uint32_t>(k);
        boxes[k - 1] = isSystemSlot ? ModuleBoxState{} : ModuleBoxState{true, true};
    }
    return boxes;
}

const char* deviceAreaName(DeviceArea area) {
    switch (area) {
    case DeviceArea::DO: return "DO";
    case DeviceArea::DI: return "DI";
    case DeviceArea::AO: return "AO";
    case DeviceArea::AI: return "AI";
    }
    return "";
}

int deviceGridRows(DeviceArea area) { return (isDigitalArea(area) ? kDigitalAreaBytes : kAnalogAreaWords) + 1; }

std::string deviceRowLabel(DeviceArea area, int row) {
    return (isDigitalArea(area) ? "Byte" : "Word") + std::to_string(row - 1);
}

std::optional<DeviceRows> deviceModuleRows(const GatewayConfig& config, int k) {
    if (k < 1 || k > kModuleBoxCount) return std::nullopt;
    const ModuleEntry& module = config.modules[static_cast<std::size_t>(k)];
    const auto meaning = moduleMeaning(module.type, config.role);
    if (!meaning) return std::nullopt;
    const DeviceArea area = meaning->deviceArea;
    // Digital bases count bits; a module starting inside a byte is shown from that byte.
    const bool digital = isDigitalArea(area);
    const uint32_t firstItem = digital ? module.internalBase / 8 : module.internalBase;
    const int rowCount = digital ? module.dataLength : module.dataLength / 2;
    if (rowCount < 1) return std::nullopt;
    // Anything from the grid's end on is dropped by the grid; clamping keeps the int in range.
    const int firstRow = static_cast<int>(std::min<uint32_t>(firstItem, 1u << 20)) + 1;
    return DeviceRows{area, firstRow, rowCount};
}

}  // namespace norvik
