#pragma once
// Address arithmetic of the device space view, and what the three views share:
// the colour classes of address cells and the set-up of the module check boxes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "model/gateway_config.h"
#include "model/module_types.h"

namespace norvik {

enum class SpaceUse : uint8_t { NotUsed, InUse, AddrOverlap, AddrIdOverlap };

// Cell colour of a class, 0x00BBGGRR.
uint32_t spaceUseColour(SpaceUse use);

inline constexpr int kModuleBoxCount = 32;

// Modules 1..n the views show: a count beyond the 32 boxes is cut to 32.
int shownModuleCount(const GatewayConfig& config);

struct ModuleBoxState {
    bool enabled = false;
    bool ticked = false;
};
// Index k - 1 holds box k ("Module<k>").
std::array<ModuleBoxState, kModuleBoxCount> moduleBoxStates(const GatewayConfig& config);

inline constexpr int kDigitalAreaBytes = 244;
inline constexpr int kAnalogAreaWords = 122;

const char* deviceAreaName(DeviceArea area);
// Rows of the area's grid, the header row included.
int deviceGridRows(DeviceArea area);
std::string deviceRowLabel(DeviceArea area, int row);

// Grid rows module k occupies in its device area; rows may run past the grid's end.
struct DeviceRows {
    DeviceArea area;
    int firstRow;
    int rowCount;
};
std::optional<DeviceRows> deviceModuleRows(const GatewayConfig& config, int k);

}  // namespace norvik
