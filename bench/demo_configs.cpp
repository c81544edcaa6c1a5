#include "bench/demo_configs.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "model/module_types.h"

namespace norvik::bench {

namespace {

ModuleEntry module(uint8_t id, uint8_t type, uint8_t profibusBase, uint32_t internalBase, uint8_t length,
                   uint32_t modbusStart, uint8_t bitsInLastByte = 8) {
    ModuleEntry m;
    m.deviceId = id;
    m.type = static_cast<ModuleType>(type);
    m.profibusBase = profibusBase;
    m.internalBase = internalBase;
    m.dataLength = length;
    m.coilCount = length == 0 ? 0 : (length - 1u) * 8u + bitsInLastByte;
    m.modbusStart = modbusStart;
    m.tcpIndex = 1;
    return m;
}

ModuleEntry systemModule(uint32_t position) {
    ModuleEntry m = module(kSystemModuleId, 3, 0, 0, 2, position);
    return m;
}

// Module 1 is the system module; the records follow as Modules 2, 3, ...
GatewayConfig withModules(ModbusRole role, const std::vector<ModuleEntry>& records) {
    GatewayConfig config;
    config.modelName = kModelHx3420;
    config.role = role;
    config.modules[0] = systemModule(1);
    config.modules[1] = config.modules[0];
    for (std::size_t i = 0; i < records.size() && i + 2 < kModuleSlots; ++i) config.modules[i + 2] = records[i];
    config.moduleCount = static_cast<uint8_t>(std::min<std::size_t>(records.size() + 1, kMaxModules));
    return config;
}

}  // namespace

GatewayConfig configFromDescription(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    const nlohmann::json doc = nlohmann::json::parse(in);
    GatewayConfig config;
    config.modelName = doc.value("model", std::string(kModelHx3420));
    config.role = doc.value("role", std::string("master")) == "slave" ? ModbusRole::Slave : ModbusRole::Master;
    std::vector<ModuleEntry> records;
    for (const auto& m : doc.at("modules")) {
        ModuleEntry entry = module(m.value("device_id", 0), m.value("type", 0), m.value("profibus_base", 0),
                                   m.value("internal_base", 0u), m.value("data_length", 0), m.value("modbus_start", 0u),
                                   m.value("bits_in_last_byte", 8));
        entry.tcpIndex = m.value("tcp_index", 1);
        entry.wordSwap = m.value("word_swap", false) ? 1 : 0;
        records.push_back(entry);
    }
    const auto& sys = doc.value("system_module", nlohmann::json::object());
    // Placed as the parameter block places it: a recorded 0 stands for slot 1.
    const uint32_t position = std::max(1u, sys.value("position", 1u));
    ModuleEntry system = module(kSystemModuleId, sys.value("type", 3), sys.value("profibus_base", 0),
                                sys.value("internal_base", 0u), sys.value("data_length", 2), position);
    config.modules[0] = system;
    std::size_t next = 0;
    const std::size_t count = std::min<std::size_t>(records.size() + 1, kMaxModules);
    for (std::size_t k = 1; k <= count; ++k) {
        // A position past the last module leaves a slot with no record to fill it.
        if (k == position) config.modules[k] = system;
        else if (next < records.size()) config.modules[k] = records[next++];
    }
    config.moduleCount = static_cast<uint8_t>(count);
    return config;
}

GatewayConfig overlapConfig() {
    return withModules(ModbusRole::Master,
                       {
                           module(1, 0, 0, 0, 1, 0),      // DO 0..7, ID 1
                           module(2, 0, 1, 8, 1, 4),      // DO 4..11, ID 2: differs in ID from the first
                           module(1, 0, 2, 16, 2, 8),     // DO 8..23, ID 1: same ID as the first, meets the second
                           module(3, 2, 4, 0, 8, 10),     // AO 10..13, ID 3
                           module(3, 2, 12, 4, 4, 12),    // AO 12..13, ID 3: same ID, same words
                           module(4, 2, 16, 8, 4, 13),    // AO 13..14, ID 4: a third party on word 13
                           module(5, 1, 20, 0, 2, 0),     // DI 0..15
                           module(6, 3, 22, 0, 6, 0),     // AI 0..2
                           module(7, 4, 30, 8, 1, 1020),  // RDO 1020..1027, cut at 1023
                           module(8, 5, 31, 8, 4, 5),     // RAO 5..6
                       });
}

GatewayConfig slaveConfig() {
    GatewayConfig config = overlapConfig();
    config.role = ModbusRole::Slave;
    return config;
}

GatewayConfig fullConfig() {
    std::vector<ModuleEntry> records;
    for (int i = 0; i < 31; ++i) {
        const auto type = static_cast<uint8_t>(i % 6);
        const bool bits = isBitKind(kModuleTypes[type].master.modbusKind);
        const auto length = static_cast<uint8_t>(bits ? 4 + i % 5 : 8 + 2 * (i % 4));
        records.push_back(module(static_cast<uint8_t>(1 + i % 7), type, static_cast<uint8_t>((i * 7) % 240),
                                 static_cast<uint32_t>(bits ? i * 40 : i * 3), length,
                                 static_cast<uint32_t>(bits ? i * 24 : i * 4)));
    }
    return withModules(ModbusRole::Master, records);
}

}  // namespace norvik::bench
