#pragma once
// Which safe-value block the gateway expects, decided from its firmware files.

#include <cstdint>
#include <string_view>

#include "firmware/file_names.h"

namespace norvik {

// The two sizes of safe-value block; the values are the ones the link keeps.
enum class SafeValueLayout : uint32_t { Block976 = 0, Block512 = 1 };

// Returns the layout to use: `current` unless an HX-3420 names a deciding file.
SafeValueLayout chooseSafeValueLayout(std::string_view modelName, const FileNameList& names, SafeValueLayout current);

// Bytes of one safe-value block for a layout (512 or 976).
inline constexpr uint32_t safeValueBlockBytes(SafeValueLayout layout) {
    return layout == SafeValueLayout::Block512 ? 512u : 976u;
}

}  // namespace norvik
