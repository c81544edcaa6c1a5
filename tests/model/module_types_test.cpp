#include <gtest/gtest.h>

#include <string>

#include "model/module_types.h"

namespace norvik {
namespace {

constexpr ModbusRole kMaster = ModbusRole::Master;
constexpr ModbusRole kSlave = ModbusRole::Slave;

// Everything a code means under a role, written out from the gateway's
// documentation rather than from the table, so a slip in either shows.
struct Meaning {
    uint8_t code;
    ModbusRole role;
    const char* text;
    ModbusKind modbusKind;
    DeviceArea deviceArea;
    ProfibusTable profibus;
};

constexpr Meaning kMeanings[] = {
    {0, kMaster, "WDO", ModbusKind::DO, DeviceArea::DO, ProfibusTable::Output},
    {1, kMaster, "RDI", ModbusKind::DI, DeviceArea::DI, ProfibusTable::Input},
    {2, kMaster, "WAO", ModbusKind::AO, DeviceArea::AO, ProfibusTable::Output},
    {3, kMaster, "RAI", ModbusKind::AI, DeviceArea::AI, ProfibusTable::Input},
    {4, kMaster, "RDO", ModbusKind::RDO, DeviceArea::DI, ProfibusTable::Input},
    {5, kMaster, "RAO", ModbusKind::RAO, DeviceArea::AI, ProfibusTable::Input},
    {0, kSlave, "RDI", ModbusKind::DI, DeviceArea::DI, ProfibusTable::Output},
    {1, kSlave, "WDO", ModbusKind::DO, DeviceArea::DO, ProfibusTable::Input},
    {2, kSlave, "RAI", ModbusKind::AI, DeviceArea::AI, ProfibusTable::Output},
    {3, kSlave, "WAO", ModbusKind::AO, DeviceArea::AO, ProfibusTable::Input},
    {4, kSlave, "WDO", ModbusKind::DO, DeviceArea::DO, ProfibusTable::Input},
    {5, kSlave, "WAO", ModbusKind::AO, DeviceArea::AO, ProfibusTable::Input},
};

std::string label(const Meaning& m) { return "code " + std::to_string(m.code) + " as " + modbusRoleText(m.role); }

TEST(ModuleTypes, everyCodeMeansWhatTheGatewaySaysUnderEachRole) {
    for (const Meaning& m : kMeanings) {
        const auto type = static_cast<ModuleType>(m.code);
        EXPECT_STREQ(moduleTypeText(m.code, m.role), m.text) << label(m);
        const auto meaning = moduleMeaning(type, m.role);
        ASSERT_TRUE(meaning) << label(m);
        EXPECT_EQ(meaning->modbusKind, m.modbusKind) << label(m);
        EXPECT_EQ(meaning->deviceArea, m.deviceArea) << label(m);
        ASSERT_NE(moduleTypeRow(type), nullptr) << label(m);
        EXPECT_EQ(moduleTypeRow(type)->type, type) << label(m) << ": the table must stand in code order";
        EXPECT_EQ(moduleTypeRow(type)->profibus, m.profibus) << label(m);
        EXPECT_EQ(modbusKindOfTypeText(m.text), m.modbusKind) << m.text;
    }
}

TEST(ModuleTypes, bitsInTheModbusSpaceAreBitsInTheDeviceArea) {
    // The safe-value grids and the device view count by area, the Modbus view
    // by kind: a module must be digital in both or analog in both.
    for (const ModuleTypeRow& row : kModuleTypes) {
        for (const ModbusRole role : {kMaster, kSlave}) {
            const ModuleRoleMeaning& m = row.under(role);
            EXPECT_EQ(isBitKind(m.modbusKind), isDigitalArea(m.deviceArea)) << m.typeText;
        }
    }
}

TEST(ModuleTypes, unknownCodesAndTextsMeanNothing) {
    EXPECT_TRUE(isKnownModuleType(5));
    for (const uint8_t code : {6, 9, 255}) {
        SCOPED_TRACE(int{code});
        EXPECT_FALSE(isKnownModuleType(code));
        EXPECT_STREQ(moduleTypeText(code, kMaster), "");
        EXPECT_STREQ(moduleTypeText(code, kSlave), "");
        const auto type = static_cast<ModuleType>(code);
        EXPECT_EQ(moduleTypeRow(type), nullptr);
        EXPECT_FALSE(moduleMeaning(type, kMaster));
        ModuleEntry module;
        module.type = type;
        module.dataLength = 4;
        module.coilCount = 32;
        EXPECT_EQ(moduleItemCount(module, kMaster), 0u);
        EXPECT_FALSE(moduleDeviceItems(module, kSlave));
    }
    for (const char* text : {"", "wdo", "WDO ", "DO", "System Module"}) {
        EXPECT_FALSE(modbusKindOfTypeText(text)) << '"' << text << '"';
    }
}

TEST(ModuleTypes, pointsAModuleSpansInItsDeviceArea) {
    struct Case {
        const char* name;
        ModuleType type;
        ModbusRole role;
        uint8_t dataLength;
        uint32_t coilCount;
        DeviceArea area;
        uint32_t count;
    };
    const Case cases[] = {
        {"master coils: the coil count", ModuleType::WriteDo, kMaster, 2, 10, DeviceArea::DO, 10},
        {"slave inputs: eight per data byte", ModuleType::WriteDo, kSlave, 2, 10, DeviceArea::DI, 16},
        {"master read-back bits", ModuleType::ReadDo, kMaster, 3, 20, DeviceArea::DI, 20},
        {"slave read-back bits", ModuleType::ReadDo, kSlave, 3, 20, DeviceArea::DO, 24},
        {"words: half the data length, rounded down", ModuleType::WriteAo, kMaster, 5, 99, DeviceArea::AO, 2},
        {"words as slave alike", ModuleType::ReadAo, kSlave, 5, 99, DeviceArea::AO, 2},
        {"no data bytes, whatever the coil count", ModuleType::WriteDo, kMaster, 0, 12, DeviceArea::DO, 0},
        {"no data bytes as slave", ModuleType::ReadDi, kSlave, 0, 12, DeviceArea::DO, 0},
    };
    for (const Case& c : cases) {
        ModuleEntry module;
        module.type = c.type;
        module.internalBase = 12;
        module.modbusStart = 300;
        module.dataLength = c.dataLength;
        module.coilCount = c.coilCount;
        const auto items = moduleDeviceItems(module, c.role);
        ASSERT_TRUE(items) << c.name;
        EXPECT_EQ(items->area, c.area) << c.name;
        EXPECT_EQ(items->first, 12u) << c.name << ": counted from the internal base in both roles";
        EXPECT_EQ(items->count, c.count) << c.name;
        EXPECT_EQ(moduleItemCount(module, c.role), c.count) << c.name;
    }
}

}  // namespace
}  // namespace norvik
