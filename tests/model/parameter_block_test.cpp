#include "model/parameter_block.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "link/block_receivers.h"
#include "support/fake_port.h"
#include "serial/serial_port.h"

namespace norvik {
namespace {

constexpr uint32_t kBaud = 9600;

using Bytes = std::vector<uint8_t>;

// A header announcing `records` records (byte 11 = records - 1, 8-bit).
Bytes header(int records, uint8_t role = 0) {
    return {'K', '5', role, 1, 1, 3, 7, 0x00, 0x64, 0x03, 0xE8, static_cast<uint8_t>(records - 1), 4, 0, 0, 0};
}

struct Rec {
    uint8_t deviceId = 1;
    uint8_t type = 0;
    uint8_t profibusBase = 0;
    uint16_t internalBase = 0;
    uint8_t dataLength = 2;
    uint8_t lastBits = 8;
    uint16_t modbusStart = 0;
    uint8_t tcpIndexByte = 0;
    uint8_t swapByte = 0;
};

void append(Bytes& out, const Rec& r) {
    const Bytes b{r.deviceId,
                  r.type,
                  r.profibusBase,
                  static_cast<uint8_t>(r.internalBase >> 8),
                  static_cast<uint8_t>(r.internalBase),
                  r.dataLength,
                  r.lastBits,
                  static_cast<uint8_t>(r.modbusStart >> 8),
                  static_cast<uint8_t>(r.modbusStart),
                  r.tcpIndexByte,
                  r.swapByte,
                  0xAA};
    out.insert(out.end(), b.begin(), b.end());
}

Rec systemModule(uint16_t position) { return Rec{.deviceId = 0xFF, .modbusStart = position}; }
// An ordinary module told apart by its device ID.
Rec module(uint8_t id) { return Rec{.deviceId = id, .profibusBase = id}; }

GatewayConfig parse(const Bytes& head, const Bytes& records, GatewayConfig config = {}) {
    test::FakePort port;
    port.queueBytes(head);
    port.queueBytes(records);
    parseParameterBlock(port, 1, kBaud, config);
    return config;
}

TEST(ParameterBlock, headerVectorGivesEveryGatewayText) {
    Bytes records;
    append(records, systemModule(1));
    append(records, module(2));
    append(records, module(3));
    const GatewayConfig c = parse(header(3), records);

    EXPECT_EQ(c.modelName, "HX-3420");
    const std::array<std::string, kGatewayRows> expected{
        "Master", "ASCII", "Switch Safe Value", "Big Endian (Motorola  format)", "Auto", "7", "100ms", "1000ms",
        "3",      "4"};
    EXPECT_EQ(c.gatewayValueText, expected);
    EXPECT_EQ(c.pollIntervalMs, 100u);
    EXPECT_EQ(c.timeoutMs, 1000u);
    EXPECT_EQ(c.moduleCount, 3);
    EXPECT_TRUE(c.blockComplete);
}

TEST(ParameterBlock, headerAlternativesGiveTheOtherTexts) {
    struct Case {
        std::array<uint8_t, 6> bytes2to7;  // role, format, stop, flags, id, -
        ModbusRole role;
        ModbusFormat format;
        std::array<const char*, 5> texts;
    };
    using R = ModbusRole;
    using F = ModbusFormat;
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0},
         R::Master,
         F::Rtu,
         {"Master", "RTU", "Retain Last Value", "Little Endian (Intel format)", "Manual"}},
        {{9, 7, 2, 0xFC, 0, 0},
         R::Slave,
         F::Tcp,
         {"Slave", "TCP", "Switch Safe Value", "Little Endian (Intel format)", "Manual"}},
        {{1, 2, 0, 1, 0, 0},
         R::Slave,
         F::Tcp,
         {"Slave", "TCP", "Retain Last Value", "Big Endian (Motorola  format)", "Manual"}},
        {{0, 1, 0, 2, 0, 0},
         R::Master,
         F::Ascii,
         {"Master", "ASCII", "Retain Last Value", "Little Endian (Intel format)", "Auto"}},
    };
    for (const Case& k : cases) {
        Bytes head = header(1);
        std::copy(k.bytes2to7.begin(), k.bytes2to7.begin() + 4, head.begin() + 2);
        Bytes records;
        append(records, systemModule(1));
        const GatewayConfig c = parse(head, records);
        EXPECT_EQ(c.role, k.role) << k.texts[0];
        EXPECT_EQ(c.modbusFormat, k.format) << k.texts[1];
        for (std::size_t i = 0; i < k.texts.size(); ++i) {
            EXPECT_EQ(c.gatewayValueText[i], k.texts[i]) << "row " << i << " of case " << k.texts[0];
        }
    }
}

TEST(ParameterBlock, modelByteNamesModelOnlyBehindMarker) {
    struct Case {
        uint8_t marker, model;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {'K', '4', kModelUnknown, kModelHx3410}, {'K', '5', kModelHx3410, kModelHx3420},
        {'K', '6', kModelHx3420, kModelHx3420},  {'X', '4', kModelHx3420, kModelHx3420},
        {0, '5', kModelUnknown, kModelUnknown},
    };
    for (const Case& k : cases) {
        Bytes head = header(1);
        head[0] = k.marker;
        head[1] = k.model;
        GatewayConfig before;
        before.modelName = k.before;
        Bytes records;
        append(records, systemModule(1));
        const GatewayConfig c = parse(head, records, before);
        EXPECT_EQ(c.modelName, k.after) << k.marker << k.model;
        // The marker guards the model only: the other fields are taken regardless.
        EXPECT_EQ(c.gatewayValueText[1], "ASCII");
    }
}

TEST(ParameterBlock, recordFieldsAndTheirTexts) {
    struct Case {
        Rec rec;
        uint8_t role;
        uint32_t coilCount;
        ModuleType type;
        const char* typeText;
        uint8_t tcpIndex;
        const char* swapText;
    };
    const Case cases[] = {
        {{.dataLength = 2, .lastBits = 3}, 0, 11, ModuleType::WriteDo, "WDO", 1, "Disable"},
        {{.type = 4, .dataLength = 0, .lastBits = 0}, 0, 0, ModuleType::ReadDo, "RDO", 1, "Disable"},
        {{.type = 4, .dataLength = 0, .lastBits = 7}, 1, 0, ModuleType::ReadDo, "WDO", 1, "Disable"},
        {{.type = 9, .dataLength = 0, .lastBits = 9}, 0, 1, ModuleType::WriteDo, "", 1, "Disable"},
        {{.type = 5, .dataLength = 1, .lastBits = 0, .tcpIndexByte = 255},
         1,
         0,
         ModuleType::ReadAo,
         "WAO",
         0,
         "Disable"},
        {{.type = 3, .dataLength = 255, .lastBits = 255, .tcpIndexByte = 3, .swapByte = 0xFE},
         0,
         254 * 8 + 255,
         ModuleType::ReadAi,
         "RAI",
         4,
         "Disable"},
        {{.type = 2, .swapByte = 0x01}, 1, 16, ModuleType::WriteAo, "RAI", 1, "Enable"},
    };
    for (const Case& k : cases) {
        Bytes records;
        append(records, systemModule(1));
        append(records, k.rec);
        const GatewayConfig c = parse(header(2, k.role), records);
        const ModuleEntry& e = c.modules[2];   // placed behind the system module
        const auto& t = c.moduleValueText[1];  // texts stay with the received record
        EXPECT_EQ(e.coilCount, k.coilCount);
        EXPECT_EQ(t[5], std::to_string(k.coilCount));
        EXPECT_EQ(e.type, k.type);
        EXPECT_EQ(t[1], k.typeText);
        EXPECT_EQ(e.tcpIndex, k.tcpIndex);
        EXPECT_EQ(t[8], std::to_string(k.tcpIndex));
        EXPECT_EQ(t[7], k.swapText);
    }
}

// Device IDs of Module 1..count after the block; 0xFF is the system module.
std::vector<uint8_t> moduleIds(const GatewayConfig& c) {
    std::vector<uint8_t> ids;
    for (std::size_t k = 1; k <= c.moduleCount; ++k) ids.push_back(c.modules[k].deviceId);
    return ids;
}

TEST(ParameterBlock, systemModuleCheckAndPlacement) {
    struct Case {
        const char* name;
        std::vector<Rec> records;
        SystemModuleStatus status;
        std::vector<uint8_t> modules;
    };
    const std::vector<Case> cases = {
        {"at position 1", {systemModule(1), module(11), module(12)}, SystemModuleStatus::Present, {0xFF, 11, 12}},
        {"position 0 counts as 1",
         {systemModule(0), module(11), module(12)},
         SystemModuleStatus::Present,
         {0xFF, 11, 12}},
        {"at position 2", {systemModule(2), module(11), module(12)}, SystemModuleStatus::Misplaced, {11, 0xFF, 12}},
        {"at the last position",
         {systemModule(3), module(11), module(12)},
         SystemModuleStatus::Misplaced,
         {11, 12, 0xFF}},
        {"missing: record 0 dropped", {module(5), module(11), module(12)}, SystemModuleStatus::Missing, {11, 12}},
        {"only the system module", {systemModule(1)}, SystemModuleStatus::Present, {0xFF}},
    };
    for (const Case& k : cases) {
        Bytes records;
        for (const Rec& r : k.records) append(records, r);
        const GatewayConfig c = parse(header(static_cast<int>(k.records.size())), records);
        EXPECT_EQ(c.systemModuleStatus, k.status) << k.name;
        EXPECT_EQ(moduleIds(c), k.modules) << k.name;
        EXPECT_EQ(c.gatewayValueText[8], std::to_string(k.modules.size())) << k.name;
        EXPECT_EQ(c.modules[0].deviceId, k.records[0].deviceId) << "entry 0 keeps the record as received";
    }
}

TEST(ParameterBlock, systemModulePositionTreatsZeroAsOne) {
    GatewayConfig c;
    const std::pair<uint32_t, uint32_t> cases[] = {{0, 1}, {1, 1}, {2, 2}, {40000, 40000}};
    for (auto [start, position] : cases) {
        c.modules[0].modbusStart = start;
        EXPECT_EQ(systemModulePosition(c), position);
    }
}

TEST(ParameterBlock, positionBeyondCountClearsTheStaleLastEntry) {
    GatewayConfig before;
    before.modules[3] = ModuleEntry{.deviceId = 99, .dataLength = 8};
    before.moduleValueText[3].fill("old");
    before.modules[4].deviceId = 98;  // beyond the new count: keeps what it held

    Bytes records;
    append(records, systemModule(7));
    append(records, module(11));
    append(records, module(12));
    const GatewayConfig c = parse(header(3), records, before);

    EXPECT_EQ(c.systemModuleStatus, SystemModuleStatus::Misplaced);
    EXPECT_EQ(moduleIds(c), (std::vector<uint8_t>{11, 12, 0}));
    EXPECT_EQ(c.modules[3].dataLength, 0);
    for (const std::string& text : c.moduleValueText[3]) EXPECT_EQ(text, "");
    EXPECT_EQ(c.modules[4].deviceId, 98);
}

TEST(ParameterBlock, zeroRecordsNeverConsultStaleEntryZero) {
    GatewayConfig before;
    before.modules[0] = ModuleEntry{.deviceId = kSystemModuleId, .modbusStart = 1};
    before.modules[1].deviceId = 42;

    test::FakePort port;
    port.queueBytes(header(0));        // byte 11 = 0xFF
    port.queueBytes(Bytes(12, 0x55));  // must stay unread: no record was announced
    parseParameterBlock(port, 1, kBaud, before);

    EXPECT_EQ(before.moduleCount, 0);
    EXPECT_EQ(before.gatewayValueText[8], "0");
    EXPECT_EQ(before.systemModuleStatus, SystemModuleStatus::Missing);
    EXPECT_EQ(before.modules[1].deviceId, 42);
    EXPECT_EQ(port.pendingBytes(), 12u);
    EXPECT_TRUE(before.blockComplete);
}

TEST(ParameterBlock, moreRecordsThanTablesAreDrainedButNotStored) {
    struct Case {
        int announced;
        bool systemModule;
        std::vector<uint8_t> firstAndLast;  // Module 1 and Module 32
    };
    // Records are numbered by their device ID: record k has ID k (k >= 1).
    const Case cases[] = {
        {33, true, {0xFF, 31}}, {34, true, {0xFF, 31}}, {255, true, {0xFF, 31}},
        {33, false, {1, 32}},   {255, false, {1, 32}},
    };
    for (const Case& k : cases) {
        Bytes records;
        append(records, k.systemModule ? systemModule(1) : module(200));
        for (int i = 1; i < k.announced; ++i) append(records, module(static_cast<uint8_t>(i)));
        test::FakePort port;
        port.queueBytes(header(k.announced));
        port.queueBytes(records);
        GatewayConfig c;
        parseParameterBlock(port, 1, kBaud, c);

        EXPECT_EQ(c.moduleCount, kMaxModules) << k.announced;
        EXPECT_EQ(c.gatewayValueText[8], "32");
        EXPECT_EQ(c.modules[1].deviceId, k.firstAndLast[0]);
        EXPECT_EQ(c.modules[32].deviceId, k.firstAndLast[1]);
        EXPECT_EQ(port.pendingBytes(), 0u) << "every announced record is drained";
        EXPECT_TRUE(c.blockComplete);
        const uint16_t recordTimeout = port.blockTimeouts().at(1);
        EXPECT_EQ(recordTimeout, std::max(blockTimeout(kBaud, 396), blockTimeout(kBaud, 12u * k.announced)));
    }
}

TEST(ParameterBlock, systemModuleBeyondCappedCountKeepsRecordOfThisBlock) {
    Bytes records;
    append(records, systemModule(33));
    for (int i = 1; i < 33; ++i) append(records, module(static_cast<uint8_t>(i)));
    const GatewayConfig c = parse(header(33), records);
    EXPECT_EQ(c.moduleCount, 32);
    EXPECT_EQ(c.modules[32].deviceId, 32);
    EXPECT_EQ(c.moduleValueText[32][0], "32");
}

TEST(ParameterBlock, receiveTimeoutsFollowTheBaudRate) {
    const uint32_t bauds[] = {2400, 9600, 115200};
    for (uint32_t baud : bauds) {
        test::FakePort port;
        port.queueBytes(header(2));
        Bytes records;
        append(records, systemModule(1));
        append(records, module(1));
        port.queueBytes(records);
        GatewayConfig c;
        parseParameterBlock(port, 1, baud, c);
        EXPECT_EQ(port.blockTimeouts(), (std::vector<uint16_t>{blockTimeout(baud, 16), blockTimeout(baud, 396)}));
    }
}

TEST(ParameterBlock, shortBlockIsParsedButMarkedIncomplete) {
    struct Case {
        const char* name;
        std::size_t headerBytes;
        std::size_t recordBytes;
        bool complete;
    };
    const Case cases[] = {
        {"whole", 16, 36, true},        {"records short", 16, 30, false}, {"no records", 16, 0, false},
        {"header short", 10, 0, false}, {"nothing", 0, 0, false},
    };
    for (const Case& k : cases) {
        Bytes records;
        append(records, systemModule(1));
        append(records, module(11));
        append(records, module(12));
        test::FakePort port;
        const Bytes head = header(3);
        port.queueBytes(std::span(head).first(k.headerBytes));
        port.queueBytes(std::span(records).first(k.recordBytes));
        GatewayConfig c;
        c.blockComplete = !k.complete;
        parseParameterBlock(port, 1, kBaud, c);
        EXPECT_EQ(c.blockComplete, k.complete) << k.name;
    }
}

TEST(ParameterBlock, missingRecordBytesReadAsZero) {
    Bytes records;
    append(records, systemModule(1));
    append(records, Rec{.deviceId = 9, .dataLength = 4, .lastBits = 8});
    records.resize(12 + 6);  // the second record breaks off after its data length
    GatewayConfig c;
    c.modules[2].modbusStart = 777;
    decodeParameterBlock(header(2), records, c);
    EXPECT_EQ(c.modules[2].deviceId, 9);
    EXPECT_EQ(c.modules[2].dataLength, 4);
    EXPECT_EQ(c.modules[2].coilCount, 24u);
    EXPECT_EQ(c.modules[2].modbusStart, 0u);
}

}  // namespace
}  // namespace norvik
