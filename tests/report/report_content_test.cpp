#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "described_gateway.h"
#include "model/parameter_rows.h"
#include "model/gateway_text.h"
#include "report/report_content.h"
#include "report/report_csv.h"
#include "spaces/modbus_space.h"
#include "spaces/profibus_space.h"
#include "views/view_configs.h"

using namespace norvik;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Splits the CSV text of a table whose fields need no quoting; every line must end in CRLF.
Rows parseCsv(const std::string& text, const std::string& header) {
    Rows rows;
    std::size_t at = 0;
    bool first = true;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "a line without CRLF";
        if (end == std::string::npos) break;
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        if (first) {
            EXPECT_EQ(line, header);
            first = false;
            continue;
        }
        std::vector<std::string> fields;
        std::stringstream in(line);
        for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
        if (!line.empty() && line.back() == ',') fields.emplace_back();
        rows.push_back(fields);
    }
    return rows;
}

const ReportTable& tableNamed(const std::vector<ReportTable>& tables, const std::string& name) {
    for (const ReportTable& t : tables)
        if (t.name == name) return t;
    static const ReportTable none;
    ADD_FAILURE() << "no table " << name;
    return none;
}

// The protocol's names of the view's six spaces.
std::string protocolArea(ModbusKind kind) {
    switch (kind) {
    case ModbusKind::DO: return "coil";
    case ModbusKind::DI: return "discrete_input";
    case ModbusKind::AO: return "holding_register";
    case ModbusKind::AI: return "input_register";
    case ModbusKind::RDO: return "coil";
    case ModbusKind::RAO: return "holding_register";
    }
    return "";
}

// The type the parameter list shows for Module k.
std::string listedType(const GatewayConfig& config, int k) {
    for (const ParameterRow& row : moduleRows(config, k)) {
        if (row.label == "Modbus Type" || row.label == kSystemModuleTypeLabel) return row.value;
    }
    return "";
}

// What the views draw, module by module, as CSV rows: the Modbus view's marks
// of each module added alone, and the rows the PROFIBUS and device views paint
// within their grids.
Rows expectedModbus(const GatewayConfig& config) {
    Rows rows;
    const std::string role = config.role == ModbusRole::Master ? "master" : "slave";
    for (int k = 1; k <= shownModuleCount(config); ++k) {
        UsageCounters counters;
        const auto marks = markModbusModule(counters, config, k, true);
        if (marks.empty()) continue;
        for (std::size_t i = 1; i < marks.size(); ++i) {
            EXPECT_EQ(marks[i].address, marks[i - 1].address + 1) << "module " << k << " is not one run";
        }
        rows.push_back({std::to_string(k), listedType(config, k), role, protocolArea(marks.front().kind),
                        std::to_string(marks.front().address), std::to_string(marks.back().address),
                        std::to_string(marks.size()), modbusRegisterText(marks.front().kind, marks.front().address),
                        modbusRegisterText(marks.back().kind, marks.back().address)});
    }
    return rows;
}

Rows expectedProfibus(const GatewayConfig& config) {
    Rows rows;
    for (int k = 1; k <= shownModuleCount(config); ++k) {
        const auto painted = profibusModuleRows(config, k);
        if (!painted) continue;
        std::vector<int> shown;
        for (int r = painted->firstRow; r < painted->firstRow + painted->rowCount; ++r)
            if (r <= kProfibusBytes) shown.push_back(r - 1);
        if (shown.empty()) continue;
        rows.push_back({std::to_string(k), listedType(config, k),
                        painted->table == ProfibusTable::Output ? "output" : "input", std::to_string(shown.front()),
                        std::to_string(shown.back()), std::to_string(shown.size())});
    }
    return rows;
}

Rows expectedDevice(const GatewayConfig& config) {
    Rows rows;
    const std::string role = config.role == ModbusRole::Master ? "master" : "slave";
    for (int k = 1; k <= shownModuleCount(config); ++k) {
        const auto painted = deviceModuleRows(config, k);
        if (!painted) continue;
        std::vector<int> shown;
        for (int r = painted->firstRow; r < painted->firstRow + painted->rowCount; ++r)
            if (r < deviceGridRows(painted->area)) shown.push_back(r - 1);
        if (shown.empty()) continue;
        rows.push_back({std::to_string(k), listedType(config, k), role, deviceAreaName(painted->area),
                        isDigitalArea(painted->area) ? "byte" : "word", std::to_string(shown.front()),
                        std::to_string(shown.back()), std::to_string(shown.size())});
    }
    return rows;
}

void expectMapsMatchTheViews(const ReportSource& source, const std::string& what) {
    SCOPED_TRACE(what);
    const auto tables = reportTables(buildReportContent(source));
    EXPECT_EQ(parseCsv(csvText(tableNamed(tables, "modbus_map")),
                       "module,type,role,area,first,last,count,first_register,last_register"),
              expectedModbus(source.config));
    EXPECT_EQ(parseCsv(csvText(tableNamed(tables, "profibus_map")), "module,type,table,first,last,count"),
              expectedProfibus(source.config));
    EXPECT_EQ(parseCsv(csvText(tableNamed(tables, "device_map")), "module,type,role,area,unit,first,last,count"),
              expectedDevice(source.config));
    // Every module the tree shows is in the module table, with the parameter list's type.
    const Rows modules =
        parseCsv(csvText(tableNamed(tables, "modules")), "module,type,role,device_id,input_bytes,output_bytes");
    ASSERT_EQ(modules.size(), static_cast<std::size_t>(shownModuleCount(source.config)));
    for (std::size_t i = 0; i < modules.size(); ++i) {
        EXPECT_EQ(modules[i][0], std::to_string(i + 1));
        EXPECT_EQ(modules[i][1], listedType(source.config, static_cast<int>(i + 1)));
    }
}

gatesim::GatewayDescription demo() {
    return gatesim::loadDescriptionFile(std::string(NORVIK_GATESIM_DIR) + "/demo-hx3420.json");
}

// A gateway with a random mix of modules: colliding device IDs, runs that pass
// the end of every view's grid, empty modules, the system module anywhere.
gatesim::GatewayDescription randomGateway(std::mt19937& rng, uint8_t role) {
    const auto pick = [&rng](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    gatesim::GatewayDescription d;
    d.model = pick(0, 1) ? "HX-3420" : "HX-3410";
    d.role = role;
    if (pick(0, 5) != 0) {
        gatesim::ModuleRecord system;
        system.deviceId = 0xFF;
        system.type = static_cast<uint8_t>(pick(0, 5));
        system.dataLength = static_cast<uint8_t>(pick(0, 2));
        system.modbusStart = static_cast<uint16_t>(pick(0, 4));
        d.systemModule = system;
    }
    const int count = pick(0, 34);
    for (int i = 0; i < count; ++i) {
        gatesim::ModuleRecord m;
        m.deviceId = static_cast<uint8_t>(pick(0, 4));
        m.type = static_cast<uint8_t>(pick(0, 5));
        m.profibusBase = static_cast<uint8_t>(pick(0, 255));
        m.internalBase = static_cast<uint16_t>(pick(0, 2100));
        m.dataLength = static_cast<uint8_t>(pick(0, 20));
        m.bitsInLastByte = static_cast<uint8_t>(pick(1, 8));
        m.modbusStart = static_cast<uint16_t>(pick(0, 1100));
        d.modules.push_back(m);
    }
    d.fileNames = {"autoexec.bat", pick(0, 1) ? "3420V10.bin" : "3420V13.bin"};
    return d;
}

}  // namespace

TEST(ReportMaps, demoGatewayAsTheViewsDrawIt) {
    const ReportSource source = test::describedGateway(demo());
    expectMapsMatchTheViews(source, "demo");
    // The demo read by hand: the system module in slot 1 and the six records after it.
    EXPECT_EQ(csvText(modbusMapTable(buildReportContent(source))),
              "module,type,role,area,first,last,count,first_register,last_register\r\n"
              "1,System Module,master,input_register,1,1,1,30002,30002\r\n"
              "2,WDO,master,coil,0,15,16,00001,00016\r\n"
              "3,RDI,master,discrete_input,16,19,4,10017,10020\r\n"
              "4,WAO,master,holding_register,100,101,2,40101,40102\r\n"
              "5,WAO,master,holding_register,101,102,2,40102,40103\r\n"
              "6,RAI,master,input_register,200,202,3,30201,30203\r\n"
              "7,RDO,master,coil,32,37,6,00033,00038\r\n");
}

TEST(ReportMaps, generatedGatewaysInBothRolesAsTheViewsDrawThem) {
    std::mt19937 rng(20261207);
    for (int i = 0; i < 200; ++i) {
        const uint8_t role = static_cast<uint8_t>(i % 2);
        expectMapsMatchTheViews(test::describedGateway(randomGateway(rng, role)),
                                "gateway " + std::to_string(i) + (role == 0 ? " (master)" : " (slave)"));
    }
}

TEST(ReportMaps, drawnCellsTakeTheModbusViewsClassesAndTheOtherViewsUse) {
    // Coils 0..7 of device 1, 4..11 of device 2, 8..23 of device 1 again; words
    // 10..13 and 12..13 of device 3.
    ReportSource source;
    source.config =
        test::configWith(test::kMaster, {test::module(1, 0, 0, 1, 0, 8, 0), test::module(2, 0, 8, 1, 4, 8, 1),
                                         test::module(1, 0, 16, 2, 8, 16, 2), test::module(3, 2, 0, 8, 10, 0, 4),
                                         test::module(3, 2, 4, 4, 12, 0, 12)});
    const ReportContent content = buildReportContent(source);
    const auto& coils = content.maps.modbus[static_cast<std::size_t>(ModbusKind::DO)];
    const auto& words = content.maps.modbus[static_cast<std::size_t>(ModbusKind::AO)];
    const struct {
        const std::vector<SpaceUse>& cells;
        uint32_t address;
        SpaceUse use;
    } cases[] = {
        {coils, 0, SpaceUse::InUse},          {coils, 4, SpaceUse::AddrOverlap}, {coils, 8, SpaceUse::AddrOverlap},
        {coils, 12, SpaceUse::InUse},         {coils, 24, SpaceUse::NotUsed},    {words, 11, SpaceUse::InUse},
        {words, 12, SpaceUse::AddrIdOverlap}, {words, 14, SpaceUse::NotUsed},
    };
    for (const auto& c : cases) EXPECT_EQ(c.cells[c.address], c.use) << "address " << c.address;
    // The device view paints byte rows from the base's byte on, the PROFIBUS view bytes from the base.
    const auto& doBytes = content.maps.device[static_cast<std::size_t>(DeviceArea::DO)];
    EXPECT_EQ(std::count(doBytes.begin(), doBytes.end(), SpaceUse::InUse), 4);
    const auto& output = content.maps.profibus[static_cast<std::size_t>(ProfibusTable::Output)];
    EXPECT_EQ(output[15], SpaceUse::InUse);
    EXPECT_EQ(output[16], SpaceUse::NotUsed);
}

TEST(ReportTables, whatTheTablesHoldBesideTheMaps) {
    ReportSource source = test::describedGateway(demo());
    {
        const auto tables = reportTables(buildReportContent(source));
        const Rows summary = parseCsv(csvText(tableNamed(tables, "report")), "item,value");
        const std::map<std::string, std::string> items = [&] {
            std::map<std::string, std::string> m;
            for (const auto& row : summary) m[row[0]] = row[1];
            return m;
        }();
        EXPECT_EQ(items.at("model"), "HX-3420");
        EXPECT_EQ(items.at("source"), "/dev/pts/7");
        EXPECT_EQ(items.at("address_numbering"), "from_0");
        EXPECT_EQ(items.at("firmware_name"), "3420V10.bin");
        EXPECT_EQ(items.at("firmware_version"), "V10");
        // "3420V10" has 1 and 0 after the model: the small block.
        EXPECT_EQ(items.at("safe_value_block_bytes"), "512");
        EXPECT_EQ(tableNamed(tables, "file_names").rows.size(), 2u);
        // 128 rows of eight bits per digital area, 64 words per analog area, as the dialog shows them.
        const ReportTable& digital = tableNamed(tables, "safe_values_digital");
        ASSERT_EQ(digital.rows.size(), 256u);
        EXPECT_EQ(digital.rows[1], (std::vector<std::string>{"DO", "8~15", "H", "H", "H", "H", "H", "H", "H", "H"}));
        EXPECT_EQ(digital.rows[128][0], "DI");
        const ReportTable& analog = tableNamed(tables, "safe_values_analog");
        ASSERT_EQ(analog.rows.size(), 128u);
        EXPECT_EQ(analog.rows[64], (std::vector<std::string>{"AI", "0", "FFFF"}));
        const ReportTable& ip = tableNamed(tables, "ip_setting");
        ASSERT_EQ(ip.rows.size(), 11u);
        EXPECT_EQ(ip.rows[3], (std::vector<std::string>{"remote_1", "192.168.0.100", "1500", "8000"}));
        // The parameter list: the gateway's rows under its model, then each module's.
        const ReportTable& parameters = tableNamed(tables, "parameters");
        EXPECT_EQ(parameters.rows[0], (std::vector<std::string>{"HX-3420", "Modbus Type", "Master"}));
        EXPECT_EQ(parameters.rows.back()[0], "Module 7");
    }
    // A block shorter than its layout and an HX-3410 leave those tables out.
    source.safeValues->block.resize(100);
    source.config.modelName = kModelHx3410;
    const auto tables = reportTables(buildReportContent(source));
    for (const ReportTable& t : tables) {
        EXPECT_NE(t.name, "safe_values_digital");
        EXPECT_NE(t.name, "ip_setting");
    }
}

TEST(ReportCsv, fieldsAreQuotedAsRfc4180AndGatewayTextsBecomeUtf8) {
    const struct {
        std::string field;
        std::string written;
    } cases[] = {
        {"plain", "plain"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"", ""},
    };
    for (const auto& c : cases) {
        const ReportTable table{"t", {"x", "y"}, {{c.field, "1"}}};
        EXPECT_EQ(csvText(table), "x,y\r\n" + c.written + ",1\r\n") << c.field;
    }
    EXPECT_EQ(gatewayTextToUtf8("3420\xE9.bin"), "3420\xC3\xA9.bin");
    EXPECT_EQ(gatewayTextToUtf8(std::string("a\nb\0c", 5)),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD"
              "c");

    ReportSource source;
    source.fileNames[0] = "Caf\xE9,1.bin";
    source.fileCount = 1;
    source.origin = "/tmp/caf\xE9.norvik";  // a Latin-1 file name
    const auto tables = reportTables(buildReportContent(source));
    EXPECT_EQ(csvText(tableNamed(tables, "file_names")), "slot,file_name\r\n1,\"Caf\xC3\xA9,1.bin\"\r\n");
    EXPECT_NE(csvText(tableNamed(tables, "report")).find("source,/tmp/caf\xC3\xA9.norvik\r\n"), std::string::npos);
}

TEST(ReportCsv, folderGetsOneFilePerTableAndAFailureIsReported) {
    const auto dir = std::filesystem::temp_directory_path() / ("norvik_report_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    const ReportContent content = buildReportContent(test::describedGateway(demo()));

    const CsvWriteOutcome outcome = writeReportCsvFolder((dir / "new" / "folder").string(), content);
    EXPECT_TRUE(outcome.ok);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "new" / "folder"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"device_map.csv", "file_names.csv", "ip_setting.csv", "modbus_map.csv",
                                               "modules.csv", "parameters.csv", "profibus_map.csv", "report.csv",
                                               "safe_values_analog.csv", "safe_values_digital.csv"}));
    EXPECT_EQ(outcome.written.size(), names.size());

    // The same folder again, for a gateway without an IP setting: exactly its
    // tables. A folder that holds a file of the user's is left as it is.
    ReportContent noIp = content;
    noIp.ipSetting.reset();
    const std::string used = (dir / "new" / "folder").string();
    ASSERT_TRUE(writeReportCsvFolder(used, noIp).ok);
    EXPECT_FALSE(std::filesystem::exists(dir / "new" / "folder" / "ip_setting.csv"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(used), {}), 9);
    std::ofstream(dir / "new" / "folder" / "notes.txt").put('x');
    const CsvWriteOutcome refused = writeReportCsvFolder(used, content);
    EXPECT_TRUE(!refused.ok && refused.foreignEntry);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(used), {}), 10);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "new"), {}), 1);  // no sibling left

    // A file where the folder should be, and a folder where the file should be.
    std::ofstream(dir / "plain").put('x');
    const CsvWriteOutcome onFile = writeReportCsvFolder((dir / "plain").string(), content);
    EXPECT_FALSE(onFile.ok);
    EXPECT_EQ(onFile.failedPath, (dir / "plain").string());
    EXPECT_FALSE(writeModbusMapCsv((dir / "new").string(), content).ok);

    ASSERT_TRUE(writeModbusMapCsv((dir / "map.csv").string(), content).ok);
    std::ifstream in(dir / "map.csv", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, csvText(modbusMapTable(content)));
    std::filesystem::remove_all(dir);
}
