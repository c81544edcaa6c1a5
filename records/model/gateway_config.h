#pragma once
// The gateway's configuration as read from its parameter block. One instance per
// program; the views, the tree and the menu guards read it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace norvik {

// A module's type code, named for what the gateway does with the module's data
// when it is Modbus master; model/module_types.h says what each code means
// under either role.
enum class ModuleType : uint8_t { WriteDo = 0, ReadDi = 1, WriteAo = 2, ReadAi = 3, ReadDo = 4, ReadAo = 5 };

enum class ModbusRole : uint8_t { Master = 0, Slave = 1 };

enum class ModbusFormat : uint8_t { Rtu = 0, Ascii = 1, Tcp = 2 };

enum class SystemModuleStatus : uint8_t { Present = 0, Missing = 1, Misplaced = 2 };

inline constexpr std::size_t kModuleSlots = 33;  // entry 0 + Module 1..32
inline constexpr std::size_t kMaxModules = 32;
inline constexpr std::size_t kGatewayRows = 10;
inline constexpr std::size_t kModuleRows = 9;
inline constexpr std::size_t kHeaderBytes = 16;
inline constexpr std::size_t kRecordBytes = 12;
inline constexpr uint8_t kSystemModuleId = 0xFF;

inline constexpr const char* kModelUnknown = "HX-xxxx";
inline constexpr const char* kModelHx3410 = "HX-3410";
inline constexpr const char* kModelHx3420 = "HX-3420";

struct ModuleEntry {
    uint8_t deviceId = 0;
    ModuleType type = ModuleType::WriteDo;
    uint8_t profibusBase = 0;
    uint32_t internalBase = 0;
    uint8_t dataLength = 0;
    uint32_t coilCount = 0;    // never negative: data length 0 gives 0
    uint32_t modbusStart = 0;  // for the system module: its position
    uint8_t wordSwap = 0;
    uint8_t tcpIndex = 0;
};

struct GatewayConfig {
    std::string modelName = kModelUnknown;
    ModbusRole role = ModbusRole::Master;
    ModbusFormat modbusFormat = ModbusFormat::Rtu;
    uint8_t slaveDeviceId = 0;
    uint8_t stopMode = 0;
    uint8_t byteOrder = 0;
    uint32_t pollIntervalMs = 0;
    uint32_t timeoutMs = 0;
    uint8_t moduleCount = 0;  // at most 32 after the system-module check
    uint8_t outputDataMode = 0;
    uint8_t tcpConnectCount = 0;
    SystemModuleStatus systemModuleStatus = SystemModuleStatus::Present;
    // False when the last parameter block did not arrive in full.
    bool blockComplete = true;
    std::array<ModuleEntry, kModuleSlots> modules{};
    std::array<std::string, kGatewayRows> gatewayValueText{};
    std::array<std::array<std::string, kModuleRows>, kModuleSlots> moduleValueText{};
};

}  // namespace norvik
