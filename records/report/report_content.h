#pragma once
// The commissioning report's content, decided once from a ReportSource: the
// parameter list, the module table, where every module lies in the three
// address spaces (by the views' own arithmetic and numbering), the firmware's
// files, the safe values and the IP setting; and the same as plain tables of
// text, which the CSV files hold and the PDF prints.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "firmware/file_names.h"
#include "model/module_types.h"
#include "model/parameter_rows.h"
#include "report/report_source.h"
#include "safevalue/safe_value.h"
#include "spaces/device_space.h"

namespace norvik {

// The Modbus data areas by their protocol names. The view keeps what a master
// reads back (RDO, RAO) apart from what it writes, though both are coils and
// holding registers on the remote device.
enum class ModbusArea : uint8_t { Coil, DiscreteInput, InputRegister, HoldingRegister };
ModbusArea modbusAreaOf(ModbusKind kind);
// "coil", "discrete_input", "input_register", "holding_register".
const char* modbusAreaKey(ModbusArea area);

struct ReportModule {
    int number = 0;  // Module 1..32, as the tree and the views' boxes count
    bool system = false;
    std::string typeName;  // the parameter list's type text; "System Module" for that slot
    uint8_t deviceId = 0;
    uint32_t inputBytes = 0;   // PROFIBUS input data the module fills
    uint32_t outputBytes = 0;  // PROFIBUS output data the module takes
};

// A run of addresses a view shows for one module; runs are cut where the
// view's grid ends, as the view cuts them, and a module with nothing shown has none.
struct ModbusRange {
    int module = 0;
    std::string typeName;
    ModbusKind kind = ModbusKind::DO;
    uint32_t first = 0, last = 0, count = 0;
};
struct ProfibusRange {
    int module = 0;
    std::string typeName;
    ProfibusTable table = ProfibusTable::Output;
    uint32_t first = 0, last = 0, count = 0;  // bytes
};
struct DeviceRange {
    int module = 0;
    std::string typeName;
    DeviceArea area = DeviceArea::DO;
    uint32_t first = 0, last = 0, count = 0;  // bytes of a digital area, words of an analog one
};

// A module some of whose addresses lie beyond what a view can show.
enum class ReportSpace : uint8_t { Modbus, Profibus, Device };
struct HiddenAddresses {
    int module = 0;
    ReportSpace space = ReportSpace::Modbus;
    uint32_t count = 0;
};

// What each grid of the three views shows when it opens with every module
// ticked, cell by cell: index i is address i (Modbus), byte i (PROFIBUS) or
// row i + 1 of the device grids.
struct ReportMaps {
    std::array<std::vector<SpaceUse>, kModbusKinds> modbus;
    std::array<std::vector<SpaceUse>, 4> device;    // by DeviceArea
    std::array<std::vector<SpaceUse>, 2> profibus;  // by ProfibusTable
};

struct ReportContent {
    std::string model;
    ModbusRole role = ModbusRole::Master;
    ReportOrigin originKind = ReportOrigin::Port;
    std::string origin;
    std::string date;
    std::string norvikVersion;

    std::vector<ParameterRow> gatewayRows;
    // Module number and the rows the parameter list shows for it.
    std::vector<std::pair<int, std::vector<ParameterRow>>> moduleRows;
    std::vector<ReportModule> modules;

    std::vector<ModbusRange> modbus;
    std::vector<ProfibusRange> profibus;
    std::vector<DeviceRange> device;
    std::vector<HiddenAddresses> hidden;
    ReportMaps maps;

    FirmwareDisplay firmware;
    std::vector<std::string> fileNames;  // the slots the count announces, UTF-8
    uint8_t fileCount = 0;

    std::optional<SafeValueLayout> safeValueLayout;
    std::optional<SafeValueTable> safeValues;  // empty when none were read or the block was short
    std::optional<IpSettingRecord> ipSetting;
};

ReportContent buildReportContent(const ReportSource& source);

// A table as the CSV file holds it: machine names for the file and the columns,
// values as the views and dialogs show them.
struct ReportTable {
    std::string name;  // file stem: "modbus_map" is written as modbus_map.csv
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

// Every table of the report, in the order the report prints them.
std::vector<ReportTable> reportTables(const ReportContent& content);
// Columns module,type,role,area,first,last,count; one row per module and area.
ReportTable modbusMapTable(const ReportContent& content);

}  // namespace norvik
