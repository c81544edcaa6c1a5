#pragma once
// What the simulated gateway is: its parameters, modules, files and stored blocks.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace gatesim {

struct ModuleRecord {
    uint8_t deviceId = 0;
    uint8_t type = 0;
    uint8_t profibusBase = 0;
    uint16_t internalBase = 0;
    uint8_t dataLength = 0;
    uint8_t bitsInLastByte = 8;
    uint16_t modbusStart = 0;
    uint16_t tcpIndex = 1;  // counted from 1, as the user sees it; the wire carries it minus 1
    bool wordSwap = false;
};

struct GatewayDescription {
    uint8_t marker = 'K';
    std::string model = "HX-3420";
    uint8_t role = 0;      // 0 master, other slave
    uint8_t format = 0;    // 0 RTU, 1 ASCII, other TCP
    uint8_t stopMode = 0;  // 0 retain last value, other switch to safe value
    bool bigEndian = false;
    bool outputAuto = false;
    uint8_t slaveDeviceId = 1;
    uint16_t pollIntervalMs = 100;
    uint16_t timeoutMs = 1000;
    uint8_t tcpConnectCount = 0;
    // Record 0 on the wire when present; its Modbus start carries the position.
    std::optional<ModuleRecord> systemModule;
    std::vector<ModuleRecord> modules;
    std::vector<std::string> fileNames;
    // Overrides the count byte of the file-name reply (to announce more than are listed).
    std::optional<uint8_t> fileCountOverride;
    std::optional<uint32_t> safeValueBytes;
    std::optional<std::vector<uint8_t>> safeValueBlock;
    std::optional<std::vector<uint8_t>> ipBlock;
};

class DescriptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws DescriptionError naming the offending key.
GatewayDescription parseDescription(std::string_view jsonText);
// A description is a regular file of at most this many bytes; anything else
// is refused before it is read.
inline constexpr std::size_t kMaxDescriptionBytes = 1024 * 1024;
GatewayDescription loadDescriptionFile(const std::string& path);

// The built-in demo: an HX-3420 master on RTU with a system module and six modules.
std::string_view demoDescriptionJson();

}  // namespace gatesim
