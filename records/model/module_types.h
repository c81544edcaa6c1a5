#pragma once
// What a module's type code means. The gateway names a module from its own side
// of the Modbus link, so one code reads differently by role: code 0 is data the
// gateway writes to a remote device's coils when it is master ("WDO"), and data
// a remote master reads from the gateway's inputs when it is slave ("RDI").
// The parser, the parameter list, the three views and the safe-value grids all
// sort modules by this one table.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "model/gateway_config.h"

namespace norvik {

// The six Modbus data spaces: coils and registers the gateway writes, inputs it
// reads, and, as master only, outputs it reads back.
enum class ModbusKind : uint8_t { DO = 0, DI = 1, AO = 2, AI = 3, RDO = 4, RAO = 5 };
inline constexpr int kModbusKinds = 6;

// The gateway's internal data areas; the safe-value grids have the same four.
enum class DeviceArea : uint8_t { DO, DI, AO, AI };

// What the PROFIBUS master sends to the gateway, and what it gets back.
enum class ProfibusTable : uint8_t { Output, Input };

// Coils and discrete inputs count bits; registers count words.
bool isBitKind(ModbusKind kind);
bool isDigitalArea(DeviceArea area);

// A type code under one role.
struct ModuleRoleMeaning {
    const char* typeText;   // what the parameter list shows
    ModbusKind modbusKind;  // where the module's addresses lie in the Modbus view
    DeviceArea deviceArea;  // what it occupies in the device view and the safe-value grids
};

struct ModuleTypeRow {
    ModuleType type;
    ModuleRoleMeaning master;
    ModuleRoleMeaning slave;
    // A module carries PROFIBUS output data when the gateway passes it on to
    // Modbus, whichever side of Modbus the gateway is on.
    ProfibusTable profibus;

    const ModuleRoleMeaning& under(ModbusRole role) const { return role == ModbusRole::Master ? master : slave; }
};

// A read-back module (codes 4 and 5) fills an input area as master: what the
// gateway reads from a remote device's outputs goes to the PROFIBUS master. As
// slave the remote master writes those coils and registers into the gateway,
// so the same codes land in its output spaces, still bound for PROFIBUS.
inline constexpr std::array<ModuleTypeRow, 6> kModuleTypes{{
    // code               master: text, Modbus, device          slave: text, Modbus, device           PROFIBUS
    {ModuleType::WriteDo,
     {"WDO", ModbusKind::DO, DeviceArea::DO},
     {"RDI", ModbusKind::DI, DeviceArea::DI},
     ProfibusTable::Output},
    {ModuleType::ReadDi,
     {"RDI", ModbusKind::DI, DeviceArea::DI},
     {"WDO", ModbusKind::DO, DeviceArea::DO},
     ProfibusTable::Input},
    {ModuleType::WriteAo,
     {"WAO", ModbusKind::AO, DeviceArea::AO},
     {"RAI", ModbusKind::AI, DeviceArea::AI},
     ProfibusTable::Output},
    {ModuleType::ReadAi,
     {"RAI", ModbusKind::AI, DeviceArea::AI},
     {"WAO", ModbusKind::AO, DeviceArea::AO},
     ProfibusTable::Input},
    {ModuleType::ReadDo,
     {"RDO", ModbusKind::RDO, DeviceArea::DI},
     {"WDO", ModbusKind::DO, DeviceArea::DO},
     ProfibusTable::Input},
    {ModuleType::ReadAo,
     {"RAO", ModbusKind::RAO, DeviceArea::AI},
     {"WAO", ModbusKind::AO, DeviceArea::AO},
     ProfibusTable::Input},
}};

// A code the gateway can send; any other is stored as code 0 and shown empty.
bool isKnownModuleType(uint8_t code);

// The row of a type, or nullptr for a value outside the table.
const ModuleTypeRow* moduleTypeRow(ModuleType type);

// A type under a role; nothing for a value outside the table.
std::optional<ModuleRoleMeaning> moduleMeaning(ModuleType type, ModbusRole role);

// The text the parameter list shows for a received code; empty for an unknown code.
const char* moduleTypeText(uint8_t code, ModbusRole role);

// The Modbus space a shown type text stands for; nothing for any other text.
std::optional<ModbusKind> modbusKindOfTypeText(std::string_view typeText);

// Bits (digital) or words (analog) a module spans from its first point: as
// master a digital module has its coil count, as slave eight bits per data
// byte; an analog module has half its data length in words either way. A
// module without data bytes spans nothing, whatever its coil count says.
uint32_t moduleItemCount(const ModuleEntry& module, ModbusRole role);

// The module's points in its device area, from its internal base on: what the
// safe-value grids highlight. Bits in a digital area, words in an analog one.
struct DeviceItems {
    DeviceArea area;
    uint32_t first;
    uint32_t count;
};
std::optional<DeviceItems> moduleDeviceItems(const ModuleEntry& module, ModbusRole role);

// "Master" / "Slave" and "RTU" / "ASCII" / "TCP", as the gateway node's rows show them.
const char* modbusRoleText(ModbusRole role);
const char* modbusFormatText(ModbusFormat format);

}  // namespace norvik
