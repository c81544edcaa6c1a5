#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "spaces/device_space.h"
#include "spaces/modbus_space.h"
#include "spaces/profibus_space.h"
#include "view_configs.h"

using namespace norvik;

namespace {

using test::configWith;
using test::kMaster;
using test::kSlave;
using test::module;

SpaceUse useAt(const std::vector<AddressMark>& marks, uint32_t address) {
    for (const AddressMark& m : marks)
        if (m.address == address) return m.use;
    ADD_FAILURE() << "address " << address << " not marked";
    return SpaceUse::NotUsed;
}

}  // namespace

TEST(SpaceUseColours, matchTheLegend) {
    EXPECT_EQ(spaceUseColour(SpaceUse::NotUsed), 0xFFFFFFu);
    EXPECT_EQ(spaceUseColour(SpaceUse::InUse), 0xFFFF00u);
    EXPECT_EQ(spaceUseColour(SpaceUse::AddrOverlap), 0xFF0000u);
    EXPECT_EQ(spaceUseColour(SpaceUse::AddrIdOverlap), 0x0000FFu);
}

TEST(ModuleBoxes, systemModuleSlotStaysOffAndBoxesBeyondTheCountStayDisabled) {
    GatewayConfig config = configWith(
        kMaster, {module(1, 0, 0, 1, 0), module(2, 0, 0, 1, 0), module(3, 0, 0, 1, 0), module(4, 0, 0, 1, 0)});
    // Recorded position -> the box that stays off; 0 stands for slot 1 as everywhere else.
    const std::pair<uint32_t, int> positions[] = {{3, 3}, {1, 1}, {0, 1}, {4, 4}};
    for (const auto& [position, offBox] : positions) {
        config.modules[0].modbusStart = position;
        const auto boxes = moduleBoxStates(config);
        for (int k = 1; k <= 32; ++k) {
            const bool on = k <= 4 && k != offBox;
            EXPECT_EQ(boxes[k - 1].enabled, on) << "position " << position << ", box " << k;
            EXPECT_EQ(boxes[k - 1].ticked, on) << "position " << position << ", box " << k;
        }
    }
    config.modules[0].modbusStart = 3;
    // Without the system marker every slot is an ordinary module.
    config.modules[0].deviceId = 7;
    EXPECT_TRUE(moduleBoxStates(config)[2].enabled);
}

TEST(ModuleBoxes, aCountAboveThirtyTwoShowsThirtyTwoModules) {
    GatewayConfig config = configWith(kMaster, {});
    config.moduleCount = 33;
    EXPECT_EQ(shownModuleCount(config), 32);
    const auto boxes = moduleBoxStates(config);
    EXPECT_FALSE(boxes[0].enabled);  // the system module at slot 1
    EXPECT_TRUE(boxes[31].enabled);
    // Asking for module 33 gives nothing rather than reading past the table.
    EXPECT_FALSE(deviceModuleRows(config, 33).has_value());
    EXPECT_FALSE(profibusModuleRows(config, 33).has_value());
    EXPECT_FALSE(modbusModuleAddresses(config, 33).has_value());
}

TEST(DeviceSpace, rowsByTypeRoleBaseAndLength) {
    struct Case {
        ModbusRole role;
        uint8_t type;
        uint32_t base;
        uint8_t length;
        bool shown;
        DeviceArea area;
        int first, count;
    };
    const Case cases[] = {
        {kMaster, 0, 12, 2, true, DeviceArea::DO, 2, 2},  // start bit rounded down to its byte
        {kSlave, 0, 0, 1, true, DeviceArea::DI, 1, 1},
        {kMaster, 4, 8, 3, true, DeviceArea::DI, 2, 3},
        {kSlave, 4, 8, 3, true, DeviceArea::DO, 2, 3},
        {kMaster, 2, 5, 5, true, DeviceArea::AO, 6, 2},  // 5 bytes make 2 words
        {kSlave, 5, 0, 4, true, DeviceArea::AO, 1, 2},
        {kMaster, 3, 121, 4, true, DeviceArea::AI, 122, 2},
        {kMaster, 2, 0, 1, false, DeviceArea::AO, 0, 0},  // less than one word
        {kMaster, 0, 0, 0, false, DeviceArea::DO, 0, 0},
        {kMaster, 9, 0, 4, false, DeviceArea::DO, 0, 0},  // unknown type
    };
    for (const Case& c : cases) {
        const GatewayConfig config = configWith(c.role, {module(1, c.type, c.base, c.length, 0)});
        const auto rows = deviceModuleRows(config, 1);
        ASSERT_EQ(rows.has_value(), c.shown) << int(c.type) << "/" << c.base;
        if (!rows) continue;
        EXPECT_EQ(rows->area, c.area);
        EXPECT_EQ(rows->firstRow, c.first);
        EXPECT_EQ(rows->rowCount, c.count);
    }
    EXPECT_EQ(deviceRowLabel(DeviceArea::DO, 3), "Byte2");
    EXPECT_EQ(deviceRowLabel(DeviceArea::AI, 122), "Word121");
}

TEST(ProfibusSpace, rowsByTypeBaseAndLength) {
    for (ModbusRole role : {kMaster, kSlave}) {
        const GatewayConfig config = configWith(role, {module(1, 4, 0, 4, 0, 0, 10)});
        const auto rows = profibusModuleRows(config, 1);
        ASSERT_TRUE(rows);
        EXPECT_EQ(rows->table, ProfibusTable::Input);
        EXPECT_EQ(rows->firstRow, 11);
        EXPECT_EQ(rows->rowCount, 4);
    }
    EXPECT_EQ(profibusModuleRows(configWith(kMaster, {module(1, 2, 0, 2, 0)}), 1)->table, ProfibusTable::Output);
    EXPECT_FALSE(profibusModuleRows(configWith(kMaster, {module(1, 0, 0, 0, 0)}), 1));
    EXPECT_EQ(profibusRowLabel(11), "Byte 10");
}

TEST(ModbusSpace, addressesByRoleAndType) {
    struct Case {
        ModbusRole role;
        uint8_t type;
        ModbusKind kind;
        uint32_t first, count;
    };
    // internalBase 40, modbusStart 300, dataLength 5, coilCount 35.
    const Case cases[] = {
        {kMaster, 0, ModbusKind::DO, 300, 35},  {kMaster, 1, ModbusKind::DI, 300, 35},
        {kMaster, 2, ModbusKind::AO, 300, 2},   {kMaster, 3, ModbusKind::AI, 300, 2},
        {kMaster, 4, ModbusKind::RDO, 300, 35}, {kMaster, 5, ModbusKind::RAO, 300, 2},
        {kSlave, 0, ModbusKind::DI, 40, 40},    {kSlave, 1, ModbusKind::DO, 40, 40},
        {kSlave, 2, ModbusKind::AI, 40, 2},     {kSlave, 3, ModbusKind::AO, 40, 2},
        {kSlave, 4, ModbusKind::DO, 40, 40},    {kSlave, 5, ModbusKind::AO, 40, 2},
    };
    for (const Case& c : cases) {
        const auto run = modbusModuleAddresses(configWith(c.role, {module(1, c.type, 40, 5, 300, 35)}), 1);
        ASSERT_TRUE(run);
        EXPECT_EQ(run->kind, c.kind) << modbusRoleText(c.role) << "/" << int(c.type);
        EXPECT_EQ(run->first, c.first);
        EXPECT_EQ(run->count, c.count);
    }
}

TEST(ModbusSpace, dataLengthZeroGivesNoCoilsEvenIfTheCountWrapped) {
    UsageCounters counters;
    // (0 - 1) * 8 + bits in unsigned arithmetic, as an unclipped parser would give it.
    const GatewayConfig config = configWith(kMaster, {module(1, 0, 0, 0, 0, 0xFFFFFFF8u + 3)});
    EXPECT_EQ(modbusModuleAddresses(config, 1)->count, 0u);
    EXPECT_TRUE(markModbusModule(counters, config, 1, true).empty());
}

TEST(ModbusSpace, addressesPastTheEndAreSkipped) {
    UsageCounters counters;
    const GatewayConfig config = configWith(kMaster, {module(1, 0, 0, 1, 1020, 8), module(1, 2, 0, 8, 5000)});
    const auto marks = markModbusModule(counters, config, 1, true);
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_EQ(marks.front().address, 1020u);
    EXPECT_EQ(marks.back().address, 1023u);
    const GridCellRef cell = modbusCell(ModbusKind::DO, 1020);
    EXPECT_EQ(cell.row, 128);
    EXPECT_EQ(cell.column, 5);
    EXPECT_TRUE(markModbusModule(counters, config, 2, true).empty());
    EXPECT_EQ(modbusRowLabel(ModbusKind::DO, 128), "1016~1023");
    EXPECT_EQ(modbusHeaderText(ModbusKind::RDO, 8), "bit 7");
}

TEST(ModbusSpace, registerNumbersCountFromOneBehindTheAreaDigit) {
    struct Case {
        ModbusKind kind;
        uint32_t address;
        uint32_t number;
        const char* text;
    };
    const Case cases[] = {
        {ModbusKind::DO, 0, 1, "00001"},           {ModbusKind::RDO, 1023, 1024, "01024"},
        {ModbusKind::DI, 0, 10001, "10001"},       {ModbusKind::AI, 41, 30042, "30042"},
        {ModbusKind::AO, 0, 40001, "40001"},       {ModbusKind::RAO, 9998, 49999, "49999"},
        {ModbusKind::AO, 9999, 410000, "410000"},  {ModbusKind::DO, 9999, 10000, "010000"},
        {ModbusKind::AI, 65535, 365536, "365536"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(modbusRegisterNumber(c.kind, c.address), c.number);
        EXPECT_EQ(modbusRegisterText(c.kind, c.address), c.text);
    }
    // A row's label names its first and last address in the same notation.
    const std::pair<std::string, std::string> labels[] = {
        {modbusRowLabel(ModbusKind::DI, 1, true), "10001~10008"},
        {modbusRowLabel(ModbusKind::RDO, 128, true), "01017~01024"},
        {modbusRowLabel(ModbusKind::AO, 1, true), "40001"},
        {modbusRowLabel(ModbusKind::AI, 1024, false), "1023"},
    };
    for (const auto& [label, expected] : labels) EXPECT_EQ(label, expected);
}

// A step adds or removes module k; the class is checked at one address afterwards.
struct Step {
    int k;
    bool add;
    SpaceUse expected;
};

struct Scenario {
    const char* name;
    ModbusRole role;
    std::vector<ModuleEntry> modules;
    uint32_t address;
    std::vector<Step> steps;
};

TEST(ModbusSpace, overlapClassesAsModulesComeAndGo) {
    using U = SpaceUse;
    const std::vector<Scenario> scenarios = {
        {"two IDs on the same coils",
         kMaster,
         {module(1, 0, 0, 1, 0, 8), module(2, 0, 0, 1, 0, 8)},
         3,
         {{1, true, U::InUse}, {2, true, U::AddrOverlap}, {2, false, U::InUse}, {1, false, U::NotUsed}}},
        {"same ID on the same words",
         kMaster,
         {module(4, 2, 0, 4, 10), module(4, 2, 0, 4, 11)},
         11,
         {{1, true, U::InUse}, {2, true, U::AddrIdOverlap}, {1, false, U::InUse}, {1, true, U::AddrIdOverlap}}},
        {"third ID joins a same-ID pair, then leaves",
         kMaster,
         {module(4, 2, 0, 2, 7), module(4, 2, 0, 2, 7), module(9, 2, 0, 2, 7)},
         7,
         {{1, true, U::InUse},
          {2, true, U::AddrIdOverlap},
          {3, true, U::AddrOverlap},
          {3, false, U::InUse},
          {2, false, U::InUse}}},
        {"same modules in the other order",
         kMaster,
         {module(4, 2, 0, 2, 7), module(4, 2, 0, 2, 7), module(9, 2, 0, 2, 7)},
         7,
         {{3, true, U::InUse},
          {1, true, U::AddrOverlap},
          {2, true, U::AddrIdOverlap},
          {1, false, U::AddrOverlap},
          {3, false, U::InUse}}},
        {"removing a module that was never added leaves the others counted",
         kMaster,
         {module(1, 1, 0, 1, 0, 8), module(2, 1, 0, 1, 0, 8)},
         0,
         {{1, true, U::InUse}, {2, false, U::InUse}, {2, true, U::AddrOverlap}}},
        {"system module ID 255 is counted under its own entry",
         kMaster,
         {module(kSystemModuleId, 3, 0, 2, 0), module(kSystemModuleId, 3, 0, 2, 0), module(0, 3, 0, 2, 0)},
         0,
         {{1, true, U::InUse},
          {2, true, U::AddrIdOverlap},
          {3, true, U::AddrOverlap},
          {1, false, U::AddrOverlap},
          {2, false, U::InUse},
          {3, false, U::NotUsed}}},
        {"slave counts type 0 in DI at the internal base, 8 bits per byte",
         kSlave,
         {module(1, 0, 16, 2, 900, 3), module(2, 1, 0, 4, 0, 0)},
         31,
         {{1, true, U::InUse}, {2, true, U::InUse}}},
    };
    for (const Scenario& s : scenarios) {
        GatewayConfig config;
        config.role = s.role;
        for (std::size_t i = 0; i < s.modules.size(); ++i) config.modules[i + 1] = s.modules[i];
        config.moduleCount = static_cast<uint8_t>(s.modules.size());
        UsageCounters counters;
        for (std::size_t i = 0; i < s.steps.size(); ++i) {
            const Step& step = s.steps[i];
            const auto marks = markModbusModule(counters, config, step.k, step.add);
            EXPECT_EQ(useAt(marks, s.address), step.expected) << s.name << ", step " << i;
        }
    }
}

TEST(ModbusSpace, slaveModuleLandsInDiNotDo) {
    UsageCounters counters;
    const GatewayConfig config = configWith(kSlave, {module(1, 0, 16, 2, 900, 3)});
    const auto marks = markModbusModule(counters, config, 1, true);
    ASSERT_EQ(marks.size(), 16u);
    EXPECT_EQ(marks.front().kind, ModbusKind::DI);
    EXPECT_EQ(marks.front().address, 16u);
    EXPECT_EQ(counters.count(ModbusKind::DI, 31, 1), 1u);
    EXPECT_EQ(counters.count(ModbusKind::DO, 900, 1), 0u);
}

namespace {

// The counting rule written out plainly: a full table per device ID, 255 included,
// and the scans over it, to hold the per-address bookkeeping of UsageCounters against.
struct PlainCounters {
    std::vector<uint8_t> table = std::vector<uint8_t>(kModbusKinds * kModbusAddresses * 256, 0);
    uint8_t& at(ModbusKind kind, uint32_t a, int id) {
        return table[(static_cast<std::size_t>(kind) * kModbusAddresses + a) * 256 + static_cast<std::size_t>(id)];
    }
    int idsUsing(ModbusKind kind, uint32_t a) {
        int n = 0;
        for (int e = 0; e < 256; ++e) n += at(kind, a, e) > 0;
        return n;
    }
    SpaceUse add(ModbusKind kind, uint32_t a, int id) {
        SpaceUse use = SpaceUse::InUse;
        if (at(kind, a, id) > 0) use = SpaceUse::AddrIdOverlap;
        else if (idsUsing(kind, a) > 0) use = SpaceUse::AddrOverlap;
        ++at(kind, a, id);
        return use;
    }
    SpaceUse remove(ModbusKind kind, uint32_t a, int id) {
        if (at(kind, a, id) > 0) --at(kind, a, id);
        if (at(kind, a, id) > 1) return SpaceUse::AddrIdOverlap;
        const int n = idsUsing(kind, a);
        return n > 1 ? SpaceUse::AddrOverlap : n == 1 ? SpaceUse::InUse : SpaceUse::NotUsed;
    }
};

}  // namespace

TEST(ModbusSpace, countersAgreeWithThePlainRuleInAnyOrderOfClicks) {
    const uint8_t ids[] = {0, 1, 2, 254, kSystemModuleId};
    for (ModbusRole role : {kMaster, kSlave}) {
        std::mt19937 random(role == kMaster ? 4460u : 3420u);
        GatewayConfig config;
        config.role = role;
        config.moduleCount = 12;
        for (int k = 1; k <= 12; ++k) {
            // Small ranges near each other and near the top end, so runs meet and get cut.
            const auto type = static_cast<uint8_t>(random() % 6);
            const uint32_t start = (k % 3 == 0 ? 1000u : 0u) + random() % 24;
            const auto length = static_cast<uint8_t>(random() % 5);
            config.modules[static_cast<std::size_t>(k)] =
                module(ids[random() % 5], type, start, length, start, length == 0 ? 0 : length * 8u - random() % 8);
        }
        UsageCounters counters;
        PlainCounters plain;
        std::array<bool, 13> ticked{};
        for (int step = 0; step < 400; ++step) {
            const int k = 1 + static_cast<int>(random() % 12);
            // Now and then a remove of a module that is not counted, which the rule tolerates.
            const bool add = step % 37 == 36 ? false : !ticked[static_cast<std::size_t>(k)];
            if (add || ticked[static_cast<std::size_t>(k)]) ticked[static_cast<std::size_t>(k)] = add;
            const auto run = modbusModuleAddresses(config, k);
            const uint8_t id = config.modules[static_cast<std::size_t>(k)].deviceId;
            const auto marks = markModbusModule(counters, config, k, add);
            std::size_t i = 0;
            for (uint32_t a = run->first; a < run->first + run->count; ++a) {
                if (a >= kModbusAddresses) continue;
                const SpaceUse expected = add ? plain.add(run->kind, a, id) : plain.remove(run->kind, a, id);
                ASSERT_LT(i, marks.size()) << "role " << modbusRoleText(role) << ", step " << step;
                EXPECT_EQ(marks[i].address, a);
                EXPECT_EQ(marks[i].use, expected)
                    << "role " << modbusRoleText(role) << ", step " << step << ", address " << a;
                ++i;
            }
            EXPECT_EQ(i, marks.size()) << "role " << modbusRoleText(role) << ", step " << step;
        }
    }
}
