#include "safevalue/safe_value_layout.h"

#include <string>

#include "model/gateway_config.h"

namespace norvik {

namespace {

constexpr std::string_view kDecidingStart = "3420";
constexpr std::size_t kMinorPosition = 5;
constexpr std::size_t kPatchPosition = 6;

// Firmware 3420?1[012]... still takes the small block; every other firmware
// of the HX-3420, a name too short to say included, takes the large one.
SafeValueLayout layoutNamedBy(const std::string& name) {
    const bool small = name.size() > kPatchPosition && name[kMinorPosition] == '1' && name[kPatchPosition] >= '0' &&
                       name[kPatchPosition] <= '2';
    return small ? SafeValueLayout::Block512 : SafeValueLayout::Block976;
}

}  // namespace

SafeValueLayout chooseSafeValueLayout(std::string_view modelName, const FileNameList& names, SafeValueLayout current) {
    if (modelName != kModelHx3420) return current;
    SafeValueLayout layout = current;
    for (const std::string& name : names) {
        if (name.starts_with(kDecidingStart)) layout = layoutNamedBy(name);
    }
    return layout;
}

}  // namespace norvik
