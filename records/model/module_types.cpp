#include "model/module_types.h"

namespace norvik {

bool isBitKind(ModbusKind kind) { return kind == ModbusKind::DO || kind == ModbusKind::DI || kind == ModbusKind::RDO; }

bool isDigitalArea(DeviceArea area) { return area == DeviceArea::DO || area == DeviceArea::DI; }

bool isKnownModuleType(uint8_t code) { return code < kModuleTypes.size(); }

const ModuleTypeRow* moduleTypeRow(ModuleType type) {
    const auto code = static_cast<uint8_t>(type);
    return isKnownModuleType(code) ? &kModuleTypes[code] : nullptr;
}

std::optional<ModuleRoleMeaning> moduleMeaning(ModuleType type, ModbusRole role) {
    const ModuleTypeRow* row = moduleTypeRow(type);
    if (row == nullptr) return std::nullopt;
    return row->under(role);
}

const char* moduleTypeText(uint8_t code, ModbusRole role) {
    const auto meaning = moduleMeaning(static_cast<ModuleType>(code), role);
    return meaning ? meaning->typeText : "";
}

std::optional<ModbusKind> modbusKindOfTypeText(std::string_view typeText) {
    for (const ModuleTypeRow& row : kModuleTypes) {
        for (const ModuleRoleMeaning& meaning : {row.master, row.slave}) {
            if (typeText == meaning.typeText) return meaning.modbusKind;
        }
    }
    return std::nullopt;
}

uint32_t moduleItemCount(const ModuleEntry& module, ModbusRole role) {
    const auto meaning = moduleMeaning(module.type, role);
    if (!meaning) return 0;
    if (!isBitKind(meaning->modbusKind)) return module.dataLength / 2u;
    if (role == ModbusRole::Slave) return 8u * module.dataLength;
    // A data length of 0 gives a coil count below zero in the gateway's own
    // arithmetic; whatever the count became, such a module has no coils.
    return module.dataLength == 0 ? 0u : module.coilCount;
}

std::optional<DeviceItems> moduleDeviceItems(const ModuleEntry& module, ModbusRole role) {
    const auto meaning = moduleMeaning(module.type, role);
    if (!meaning) return std::nullopt;
    return DeviceItems{meaning->deviceArea, module.internalBase, moduleItemCount(module, role)};
}

const char* modbusRoleText(ModbusRole role) { return role == ModbusRole::Master ? "Master" : "Slave"; }

const char* modbusFormatText(ModbusFormat format) {
    switch (format) {
    case ModbusFormat::Rtu: return "RTU";
    case ModbusFormat::Ascii: return "ASCII";
    case ModbusFormat::Tcp: return "TCP";
    }
    return "TCP";
}

}  // namespace norvik
