#pragma once
// Gateway configurations for the view tests: module records set only in the fields the
// views read, in the two table layouts the tests need.

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "model/gateway_config.h"

namespace norvik::test {

inline constexpr ModbusRole kMaster = ModbusRole::Master;
inline constexpr ModbusRole kSlave = ModbusRole::Slave;

inline ModuleEntry module(uint8_t id, uint8_t type, uint32_t internalBase, uint8_t length, uint32_t modbusStart,
                          uint32_t coils = 0, uint8_t profibusBase = 0) {
    ModuleEntry m;
    m.deviceId = id;
    m.type = static_cast<ModuleType>(type);
    m.internalBase = internalBase;
    m.dataLength = length;
    m.modbusStart = modbusStart;
    m.coilCount = coils;
    m.profibusBase = profibusBase;
    return m;
}

// Entry 0 holds the system module's record; the given modules are Modules 1, 2, ...
inline GatewayConfig configWith(ModbusRole role, std::initializer_list<ModuleEntry> modules) {
    GatewayConfig config;
    config.role = role;
    config.modules[0] = module(kSystemModuleId, 3, 0, 2, 1);
    std::size_t k = 1;
    for (const ModuleEntry& m : modules) config.modules[k++] = m;
    config.moduleCount = static_cast<uint8_t>(modules.size());
    return config;
}

// The table as the gateway's block decodes: Module 1 is the system module itself, here
// with a data length of 0, and the given modules follow as Modules 2, 3, ...
inline GatewayConfig configWithSystemModule(ModbusRole role, std::initializer_list<ModuleEntry> modules) {
    GatewayConfig config;
    config.role = role;
    config.modules[0] = module(kSystemModuleId, 3, 0, 0, 1);
    config.modules[1] = config.modules[0];
    std::size_t k = 2;
    for (const ModuleEntry& m : modules) config.modules[k++] = m;
    config.moduleCount = static_cast<uint8_t>(modules.size() + 1);
    return config;
}

}  // namespace norvik::test
