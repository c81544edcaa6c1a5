#include "model/parameter_block.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "model/module_types.h"

namespace norvik {

namespace {

uint8_t byteAt(std::span<const uint8_t> bytes, std::size_t i) { return i < bytes.size() ? bytes[i] : 0; }

uint32_t wordAt(std::span<const uint8_t> bytes, std::size_t i) {
    return static_cast<uint32_t>(byteAt(bytes, i)) * 256u + byteAt(bytes, i + 1);
}

// A number in decimal, then `unit`, written over `text` in place: a block is
// decoded at every load, and its texts keep their room from the load before.
void setNumber(std::string& text, uint32_t value, std::string_view unit = {}) {
    std::array<char, 10> digits{};
    const char* end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    text.assign(digits.data(), static_cast<std::size_t>(end - digits.data()));
    text.append(unit);
}

void writeGatewayTexts(GatewayConfig& config) {
    auto& t = config.gatewayValueText;
    t[0] = modbusRoleText(config.role);
    t[1] = modbusFormatText(config.modbusFormat);
    t[2] = config.stopMode == 0 ? "Retain Last Value" : "Switch Safe Value";
    t[3] = config.byteOrder == 0 ? "Little Endian (Intel format)" : "Big Endian (Motorola  format)";
    t[4] = config.outputDataMode == 0 ? "Manual" : "Auto";
    setNumber(t[5], config.slaveDeviceId);
    setNumber(t[6], config.pollIntervalMs, "ms");
    setNumber(t[7], config.timeoutMs, "ms");
    setNumber(t[8], config.moduleCount);
    setNumber(t[9], config.tcpConnectCount);
}

void decodeRecord(std::span<const uint8_t> records, std::size_t k, ModbusRole role, ModuleEntry& entry,
                  std::array<std::string, kModuleRows>& text) {
    const std::size_t base = k * kRecordBytes;
    auto b = [&](std::size_t i) { return byteAt(records, base + i); };

    entry.deviceId = b(0);
    const uint8_t code = b(1);
    entry.type = isKnownModuleType(code) ? static_cast<ModuleType>(code) : ModuleType::WriteDo;
    entry.profibusBase = b(2);
    entry.internalBase = wordAt(records, base + 3);
    entry.dataLength = b(5);
    // Done signed: a data length of 0 would otherwise wrap to about four
    // billion coils and every loop over the module's addresses with it.
    const int coils = (static_cast<int>(b(5)) - 1) * 8 + static_cast<int>(b(6));
    entry.coilCount = static_cast<uint32_t>(std::max(0, coils));
    entry.modbusStart = wordAt(records, base + 7);
    entry.tcpIndex = static_cast<uint8_t>(b(9) + 1);
    entry.wordSwap = b(10) & 1u;

    setNumber(text[0], entry.deviceId);
    text[1] = moduleTypeText(code, role);
    setNumber(text[2], entry.profibusBase);
    setNumber(text[3], entry.internalBase);
    setNumber(text[4], entry.dataLength);
    setNumber(text[5], entry.coilCount);
    setNumber(text[6], entry.modbusStart);
    text[7] = entry.wordSwap ? "Enable" : "Disable";
    setNumber(text[8], entry.tcpIndex);
}

// `freshEntries` is how many entries from 0 on the current block wrote; an
// entry at or past it still holds a record of an earlier block.
void placeAmong(GatewayConfig& config, std::size_t freshEntries) {
    const uint32_t s = systemModulePosition(config);
    const uint32_t n = std::min<uint32_t>(config.moduleCount, kMaxModules);
    if (n < s) {
        // Nothing moves, so Module n is entry n; when no record of this block
        // landed there it would show a module the gateway no longer has.
        if (n >= 1 && n >= freshEntries) {
            config.modules[n] = ModuleEntry{};
            config.moduleValueText[n] = {};
        }
        return;
    }
    for (uint32_t i = n; i >= s; --i) {
        config.modules[i] = i == s ? config.modules[0] : config.modules[i - 1];
    }
}

}  // namespace

uint32_t systemModulePosition(const GatewayConfig& config) {
    return std::max<uint32_t>(1, config.modules[0].modbusStart);
}

void placeSystemModule(GatewayConfig& config) { placeAmong(config, config.moduleCount); }

void decodeParameterBlock(std::span<const uint8_t> header, std::span<const uint8_t> records, GatewayConfig& config) {
    auto h = [&](std::size_t i) { return byteAt(header, i); };

    if (h(0) == 'K') {
        if (h(1) == '4') config.modelName = kModelHx3410;
        if (h(1) == '5') config.modelName = kModelHx3420;
    }
    config.role = h(2) == 0 ? ModbusRole::Master : ModbusRole::Slave;
    config.modbusFormat = h(3) == 0 ? ModbusFormat::Rtu : h(3) == 1 ? ModbusFormat::Ascii : ModbusFormat::Tcp;
    config.stopMode = h(4) == 0 ? 0 : 1;
    config.byteOrder = h(5) & 1u;
    config.outputDataMode = (h(5) >> 1) & 1u;
    config.slaveDeviceId = h(6);
    config.pollIntervalMs = wordAt(header, 7);
    config.timeoutMs = wordAt(header, 9);
    config.moduleCount = static_cast<uint8_t>(h(11) + 1);
    config.tcpConnectCount = h(12);
    writeGatewayTexts(config);

    const std::size_t stored = std::min<std::size_t>(config.moduleCount, kModuleSlots);
    for (std::size_t k = 0; k < stored; ++k) {
        decodeRecord(records, k, config.role, config.modules[k], config.moduleValueText[k]);
    }

    bool place = false;
    if (config.moduleCount == 0) {
        // No record arrived, so entry 0 is whatever an earlier block left there.
        config.systemModuleStatus = SystemModuleStatus::Missing;
    } else if (config.modules[0].deviceId != kSystemModuleId) {
        config.systemModuleStatus = SystemModuleStatus::Missing;
        --config.moduleCount;
    } else {
        config.systemModuleStatus =
            systemModulePosition(config) == 1 ? SystemModuleStatus::Present : SystemModuleStatus::Misplaced;
        place = true;
    }
    // The tree has nodes for 32 modules only.
    config.moduleCount = static_cast<uint8_t>(std::min<std::size_t>(config.moduleCount, kMaxModules));
    setNumber(config.gatewayValueText[8], config.moduleCount);

    if (place) placeAmong(config, stored);
}

std::size_t announcedRecordBytes(std::span<const uint8_t> header) {
    // The count byte holds the module count less one, in eight bits: 255 wraps
    // to no record at all, as the gateway's own arithmetic does.
    const auto count = static_cast<uint8_t>(byteAt(header, 11) + 1);
    return count * kRecordBytes;
}

}  // namespace norvik
