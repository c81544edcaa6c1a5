#pragma once
// Which rows of items and values the parameter list shows for a node of the
// module tree, and in which order. The texts come ready-made from GatewayConfig.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/gateway_config.h"

namespace norvik {

struct ParameterRow {
    std::string label;
    std::string value;
    bool operator==(const ParameterRow&) const = default;
};

inline constexpr std::array<const char*, kGatewayRows> gatewayRowLabels{
    "Modbus Type",      "Modbus Format",         "I/O Value for Stop Mode", "Byte Order",
    "Output Data Mode", "Modbus Device ID (S)",  "Poll interval time (M)",  "Time out value (M)",
    "Module count",     "Tcp connect num (T)(M)"};

inline constexpr std::array<const char*, kModuleRows> moduleRowLabels{"Modbus Device ID (M)",
                                                                      "Modbus Type",
                                                                      "Profibus base addr.(byte)",
                                                                      "Internal base addr.(word/bit)",
                                                                      "Data Length(byte)",
                                                                      "NO. of Relay/Coil (M)",
                                                                      "Modbus start addr.(word/bit) (M)",
                                                                      "Change Word Order",
                                                                      "Tcp connect index (T)(M)"};

inline constexpr const char* kSystemModuleIdLabel = "Module ID";
inline constexpr const char* kSystemModuleIdValue = "0xFF";
inline constexpr const char* kSystemModuleTypeLabel = "Module Type";
inline constexpr const char* kSystemModuleTypeValue = "System Module";

// "Module 1" .. "Module 32"; n outside 1..32 gives the empty text.
std::string moduleNodeName(int n);
// The module number of a node text "Module 1" .. "Module 32", if it is one.
std::optional<int> moduleNodeNumber(std::string_view text);
// True for the texts a root node can carry: "HX-3410", "HX-3420", "HX-xxxx".
bool isGatewayNodeText(std::string_view text);

// The ten gateway labels with empty values: the list before any block and
// after the link ends.
std::vector<ParameterRow> emptyGatewayRows();
// The nine module labels with empty values, for a node text nobody knows.
std::vector<ParameterRow> emptyModuleRows();

// The gateway node: ten rows for "HX-3420", nine for the other root texts
// (the TCP connection count belongs to the Ethernet model only).
std::vector<ParameterRow> gatewayRows(const GatewayConfig& config, std::string_view nodeText);

// Module n (1..32) after the system module has been placed.
std::vector<ParameterRow> moduleRows(const GatewayConfig& config, int n);

// Everything the list shows for the selected node's text.
std::vector<ParameterRow> rowsForNode(const GatewayConfig& config, std::string_view nodeText);

}  // namespace norvik
