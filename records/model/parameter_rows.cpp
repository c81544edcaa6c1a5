#include "model/parameter_rows.h"

#include <charconv>

#include "model/module_types.h"
#include "model/parameter_block.h"

namespace norvik {

namespace {

constexpr std::string_view kModulePrefix = "Module ";

bool isSystemModule(const ModuleEntry& entry) { return entry.deviceId == kSystemModuleId; }

// Decided by the text made when the record arrived, under the role of that
// block; a module whose code the gateway did not know shows both rows.
bool hasWordOrder(std::string_view typeText) {
    const auto kind = modbusKindOfTypeText(typeText);
    return !kind || !isBitKind(*kind);
}

bool hasCoilCount(std::string_view typeText) {
    const auto kind = modbusKindOfTypeText(typeText);
    return !kind || isBitKind(*kind);
}

}  // namespace

std::string moduleNodeName(int n) {
    if (n < 1 || n > static_cast<int>(kMaxModules)) return {};
    return std::string(kModulePrefix) + std::to_string(n);
}

std::optional<int> moduleNodeNumber(std::string_view text) {
    if (!text.starts_with(kModulePrefix)) return std::nullopt;
    const std::string_view digits = text.substr(kModulePrefix.size());
    // Only the exact node names count: no sign, no leading zero, no trailing text.
    if (digits.empty() || digits.front() == '0') return std::nullopt;
    int n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    if (n < 1 || n > static_cast<int>(kMaxModules)) return std::nullopt;
    return n;
}

bool isGatewayNodeText(std::string_view text) {
    return text == kModelHx3410 || text == kModelHx3420 || text == kModelUnknown;
}

std::vector<ParameterRow> emptyGatewayRows() {
    std::vector<ParameterRow> rows;
    for (const char* label : gatewayRowLabels) rows.push_back({label, {}});
    return rows;
}

std::vector<ParameterRow> emptyModuleRows() {
    std::vector<ParameterRow> rows;
    for (const char* label : moduleRowLabels) rows.push_back({label, {}});
    return rows;
}

std::vector<ParameterRow> gatewayRows(const GatewayConfig& config, std::string_view nodeText) {
    const std::size_t count = nodeText == kModelHx3420 ? kGatewayRows : kGatewayRows - 1;
    std::vector<ParameterRow> rows;
    for (std::size_t i = 0; i < count; ++i) rows.push_back({gatewayRowLabels[i], config.gatewayValueText[i]});
    return rows;
}

std::vector<ParameterRow> moduleRows(const GatewayConfig& config, int n) {
    if (n < 1 || n > static_cast<int>(kMaxModules)) return emptyModuleRows();
    const ModuleEntry& system = config.modules[0];
    const bool systemPresent = isSystemModule(system);
    // The same position the placement used, so that a recorded position of 0
    // still shows Module 1 as the system module.
    const uint32_t position = systemModulePosition(config);

    if (systemPresent && static_cast<uint32_t>(n) == position) {
        return {{kSystemModuleIdLabel, kSystemModuleIdValue}, {kSystemModuleTypeLabel, kSystemModuleTypeValue}};
    }

    // The texts stay where their record arrived; only the entries were moved.
    const std::size_t record = (systemPresent && position < static_cast<uint32_t>(n)) ? n - 1 : n;
    const auto& texts = config.moduleValueText[record];
    const std::string_view typeText = texts[1];
    const uint8_t dataLength = config.modules[n].dataLength;

    std::vector<ParameterRow> rows;
    for (std::size_t i = 0; i < kModuleRows; ++i) {
        bool shown = true;
        if (i == 5) shown = hasCoilCount(typeText);
        if (i == 7) shown = hasWordOrder(typeText) && dataLength % 4 == 0;
        if (i == 8) shown = config.modelName == kModelHx3420;
        if (shown) rows.push_back({moduleRowLabels[i], texts[i]});
    }
    return rows;
}

std::vector<ParameterRow> rowsForNode(const GatewayConfig& config, std::string_view nodeText) {
    if (isGatewayNodeText(nodeText)) return gatewayRows(config, nodeText);
    if (const auto n = moduleNodeNumber(nodeText)) return moduleRows(config, *n);
    return emptyModuleRows();
}

}  // namespace norvik
