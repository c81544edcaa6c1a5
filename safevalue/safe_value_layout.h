#pragma once
// Which safe-value block the gateway expects, decided from its firmware files.

#include <cstdint>
#include <string_view>

#include "firmware/file_names.h"

namespace norvik {

inline constexpr uint32_t kLayout512 = 1;
inline constexpr uint32_t kLayout976 = 0;

// Returns the layout to use: `current` unless an HX-3420 names a deciding file.
uint32_t chooseSafeValueLayout(std::string_view modelName, const FileNameList& names, uint32_t current);

// Bytes of one safe-value block for a layout (512 or 976).
inline constexpr uint32_t safeValueBlockBytes(uint32_t layout) { return layout == kLayout512 ? 512u : 976u; }

}  // namespace norvik
