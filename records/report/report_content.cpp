#include "report/report_content.h"

#include <algorithm>

#include "model/gateway_text.h"
#include "model/parameter_block.h"
#include "spaces/modbus_space.h"
#include "spaces/profibus_space.h"

namespace norvik {

namespace {

// A run from `first` of `count` items in a grid of `size` items: what the grid
// shows of it, and how many items fall past its end.
struct Shown {
    uint32_t first = 0;
    uint32_t count = 0;
    uint32_t hidden = 0;
};
Shown clip(uint64_t first, uint64_t count, uint64_t size) {
    if (count == 0) return {};
    if (first >= size) return {0, 0, static_cast<uint32_t>(count)};
    const uint64_t shown = std::min(count, size - first);
    return {static_cast<uint32_t>(first), static_cast<uint32_t>(shown), static_cast<uint32_t>(count - shown)};
}

std::string roleKey(ModbusRole role) { return role == ModbusRole::Master ? "master" : "slave"; }

const char* profibusKey(ProfibusTable table) { return table == ProfibusTable::Output ? "output" : "input"; }

int systemSlot(const GatewayConfig& config) {
    if (config.modules[0].deviceId != kSystemModuleId) return 0;
    return static_cast<int>(std::min<uint32_t>(systemModulePosition(config), kMaxModules + 1));
}

void addModbus(ReportContent& content, const GatewayConfig& config, const ReportModule& module) {
    const auto run = modbusModuleAddresses(config, module.number);
    if (!run) return;
    const Shown shown = clip(run->first, run->count, kModbusAddresses);
    if (shown.count > 0) {
        content.modbus.push_back(
            {module.number, module.typeName, run->kind, shown.first, shown.first + shown.count - 1, shown.count});
    }
    if (shown.hidden > 0) content.hidden.push_back({module.number, ReportSpace::Modbus, shown.hidden});
}

void addProfibus(ReportContent& content, const GatewayConfig& config, const ReportModule& module) {
    const auto rows = profibusModuleRows(config, module.number);
    if (!rows) return;
    const Shown shown =
        clip(static_cast<uint32_t>(rows->firstRow - 1), static_cast<uint32_t>(rows->rowCount), kProfibusBytes);
    if (shown.count > 0) {
        content.profibus.push_back(
            {module.number, module.typeName, rows->table, shown.first, shown.first + shown.count - 1, shown.count});
        auto& cells = content.maps.profibus[static_cast<std::size_t>(rows->table)];
        std::fill_n(cells.begin() + shown.first, shown.count, SpaceUse::InUse);
    }
    if (shown.hidden > 0) content.hidden.push_back({module.number, ReportSpace::Profibus, shown.hidden});
}

void addDevice(ReportContent& content, const GatewayConfig& config, const ReportModule& module) {
    const auto rows = deviceModuleRows(config, module.number);
    if (!rows) return;
    const auto size = static_cast<uint32_t>(deviceGridRows(rows->area) - 1);
    const Shown shown = clip(static_cast<uint32_t>(rows->firstRow - 1), static_cast<uint32_t>(rows->rowCount), size);
    if (shown.count > 0) {
        content.device.push_back(
            {module.number, module.typeName, rows->area, shown.first, shown.first + shown.count - 1, shown.count});
        auto& cells = content.maps.device[static_cast<std::size_t>(rows->area)];
        std::fill_n(cells.begin() + shown.first, shown.count, SpaceUse::InUse);
    }
    if (shown.hidden > 0) content.hidden.push_back({module.number, ReportSpace::Device, shown.hidden});
}

// The Modbus view adds the modules in their order when it opens, and a cell
// keeps the class its last change gave it.
void paintModbus(ReportContent& content, const GatewayConfig& config) {
    UsageCounters counters;
    for (int k = 1; k <= shownModuleCount(config); ++k) {
        for (const AddressMark& mark : markModbusModule(counters, config, k, true)) {
            content.maps.modbus[static_cast<std::size_t>(mark.kind)][mark.address] = mark.use;
        }
    }
}

// The type as the parameter list names it. A configuration made without the
// list's texts (all of a module's values empty) is named by its type code,
// unless the slot is empty too.
std::string listedTypeName(const GatewayConfig& config, const std::vector<ParameterRow>& rows, int k) {
    std::string listed;
    bool anyText = false;
    for (const ParameterRow& row : rows) {
        if (row.label == moduleRowLabels[1] || row.label == kSystemModuleTypeLabel) listed = row.value;
        anyText = anyText || !row.value.empty();
    }
    const ModuleEntry& entry = config.modules[static_cast<std::size_t>(k)];
    if (anyText || entry.dataLength == 0) return listed;
    return moduleTypeText(static_cast<uint8_t>(entry.type), config.role);
}

std::string digitalRowLabel(std::size_t byte) { return std::to_string(8 * byte) + "~" + std::to_string(8 * byte + 7); }

}  // namespace

ModbusArea modbusAreaOf(ModbusKind kind) {
    switch (kind) {
    case ModbusKind::DO:
    case ModbusKind::RDO: return ModbusArea::Coil;
    case ModbusKind::DI: return ModbusArea::DiscreteInput;
    case ModbusKind::AI: return ModbusArea::InputRegister;
    case ModbusKind::AO:
    case ModbusKind::RAO: return ModbusArea::HoldingRegister;
    }
    return ModbusArea::Coil;
}

const char* modbusAreaKey(ModbusArea area) {
    switch (area) {
    case ModbusArea::Coil: return "coil";
    case ModbusArea::DiscreteInput: return "discrete_input";
    case ModbusArea::InputRegister: return "input_register";
    case ModbusArea::HoldingRegister: return "holding_register";
    }
    return "";
}

namespace {

bool isUtf8(std::string_view text) {
    std::size_t follow = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (follow > 0) {
            if ((byte & 0xC0) != 0x80) return false;
            --follow;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            follow = 3;
        } else if (byte >= 0xE0) {
            if (byte > 0xEF) return false;
            follow = 2;
        } else if (byte >= 0xC2) {
            follow = 1;
        } else if (byte >= 0x80) {
            return false;
        }
    }
    return follow == 0;
}

}  // namespace

ReportContent buildReportContent(const ReportSource& source) {
    const GatewayConfig& config = source.config;
    ReportContent content;
    content.model = config.modelName;
    content.role = config.role;
    content.originKind = source.originKind;
    // A path in the system's own bytes; the report is UTF-8 throughout.
    content.origin = isUtf8(source.origin) ? source.origin : gatewayTextToUtf8(source.origin);
    content.date = source.date;
    content.norvikVersion = source.norvikVersion;

    content.maps.modbus.fill(std::vector<SpaceUse>(kModbusAddresses, SpaceUse::NotUsed));
    for (DeviceArea area : {DeviceArea::DO, DeviceArea::DI, DeviceArea::AO, DeviceArea::AI}) {
        content.maps.device[static_cast<std::size_t>(area)].assign(static_cast<std::size_t>(deviceGridRows(area) - 1),
                                                                   SpaceUse::NotUsed);
    }
    content.maps.profibus.fill(std::vector<SpaceUse>(kProfibusBytes, SpaceUse::NotUsed));

    content.gatewayRows = gatewayRows(config, config.modelName);
    const int shown = shownModuleCount(config);
    const int system = systemSlot(config);
    for (int k = 1; k <= shown; ++k) {
        const std::vector<ParameterRow> rows = moduleRows(config, k);

        const ModuleEntry& entry = config.modules[static_cast<std::size_t>(k)];
        ReportModule module;
        module.number = k;
        module.system = k == system;
        module.typeName = module.system ? kSystemModuleTypeValue : listedTypeName(config, rows, k);
        module.deviceId = entry.deviceId;
        if (const ModuleTypeRow* type = moduleTypeRow(entry.type)) {
            (type->profibus == ProfibusTable::Input ? module.inputBytes : module.outputBytes) = entry.dataLength;
        }
        content.modules.push_back(module);
        content.moduleRows.emplace_back(k, rows);

        addModbus(content, config, module);
        addProfibus(content, config, module);
        addDevice(content, config, module);
    }
    paintModbus(content, config);

    content.fileCount = source.fileCount;
    content.firmware = selectFirmwareFile(FirmwareQueryState::Received, source.fileNames, source.fileCount);
    // The report's tables are data, not window text: a list with no firmware
    // file says so in the words the firmware dialog uses.
    if (!content.firmware.firmwareFound) content.firmware.firmwareName = "Not Find Firmware";
    content.firmware.firmwareName = gatewayTextToUtf8(content.firmware.firmwareName);
    content.firmware.version = gatewayTextToUtf8(content.firmware.version);
    const std::size_t names = std::min<std::size_t>(source.fileCount, kFileNameSlots);
    for (std::size_t i = 0; i < names; ++i) content.fileNames.push_back(gatewayTextToUtf8(source.fileNames[i]));

    if (source.safeValues) {
        content.safeValueLayout = source.safeValues->layout;
        content.safeValues = decodeSafeValueBlock(source.safeValues->block, source.safeValues->layout);
    }
    if (config.modelName == kModelHx3420) content.ipSetting = source.ipSetting;
    return content;
}

ReportTable modbusMapTable(const ReportContent& content) {
    // The register numbers come after the addresses, so that readers of the
    // first seven columns read what they always read.
    ReportTable table{"modbus_map",
                      {"module", "type", "role", "area", "first", "last", "count", "first_register", "last_register"},
                      {}};
    for (const ModbusRange& r : content.modbus) {
        table.rows.push_back({std::to_string(r.module), r.typeName, roleKey(content.role),
                              modbusAreaKey(modbusAreaOf(r.kind)), std::to_string(r.first), std::to_string(r.last),
                              std::to_string(r.count), modbusRegisterText(r.kind, r.first),
                              modbusRegisterText(r.kind, r.last)});
    }
    return table;
}

std::vector<ReportTable> reportTables(const ReportContent& content) {
    std::vector<ReportTable> tables;

    ReportTable summary{"report", {"item", "value"}, {}};
    summary.rows = {
        {"model", content.model},
        {"origin", content.originKind == ReportOrigin::Port ? "port" : "backup_file"},
        {"source", content.origin},
        {"date", content.date},
        {"norvik_version", content.norvikVersion},
        {"modbus_role", roleKey(content.role)},
        // Addresses are those the views show: Modbus addresses as the protocol
        // carries them and byte or word offsets, all counted from 0.
        {"address_numbering", "from_0"},
        {"firmware_name", content.firmware.firmwareName},
        {"firmware_version", content.firmware.version},
        {"file_count", std::to_string(content.fileCount)},
        {"safe_value_block_bytes",
         content.safeValueLayout ? std::to_string(safeValueBlockBytes(*content.safeValueLayout)) : ""},
    };
    tables.push_back(std::move(summary));

    ReportTable parameters{"parameters", {"node", "item", "value"}, {}};
    for (const ParameterRow& row : content.gatewayRows)
        parameters.rows.push_back({content.model, row.label, row.value});
    for (const auto& [k, rows] : content.moduleRows) {
        for (const ParameterRow& row : rows) parameters.rows.push_back({moduleNodeName(k), row.label, row.value});
    }
    tables.push_back(std::move(parameters));

    ReportTable modules{"modules", {"module", "type", "role", "device_id", "input_bytes", "output_bytes"}, {}};
    for (const ReportModule& m : content.modules) {
        modules.rows.push_back({std::to_string(m.number), m.typeName, roleKey(content.role),
                                m.system ? kSystemModuleIdValue : std::to_string(m.deviceId),
                                std::to_string(m.inputBytes), std::to_string(m.outputBytes)});
    }
    tables.push_back(std::move(modules));

    tables.push_back(modbusMapTable(content));

    ReportTable profibus{"profibus_map", {"module", "type", "table", "first", "last", "count"}, {}};
    for (const ProfibusRange& r : content.profibus) {
        profibus.rows.push_back({std::to_string(r.module), r.typeName, profibusKey(r.table), std::to_string(r.first),
                                 std::to_string(r.last), std::to_string(r.count)});
    }
    tables.push_back(std::move(profibus));

    ReportTable device{"device_map", {"module", "type", "role", "area", "unit", "first", "last", "count"}, {}};
    for (const DeviceRange& r : content.device) {
        device.rows.push_back({std::to_string(r.module), r.typeName, roleKey(content.role), deviceAreaName(r.area),
                               isDigitalArea(r.area) ? "byte" : "word", std::to_string(r.first), std::to_string(r.last),
                               std::to_string(r.count)});
    }
    tables.push_back(std::move(device));

    ReportTable files{"file_names", {"slot", "file_name"}, {}};
    for (std::size_t i = 0; i < content.fileNames.size(); ++i) {
        files.rows.push_back({std::to_string(i + 1), content.fileNames[i]});
    }
    tables.push_back(std::move(files));

    if (content.safeValues) {
        const SafeValueTable& values = *content.safeValues;
        ReportTable digital{"safe_values_digital",
                            {"area", "address", "bit_0", "bit_1", "bit_2", "bit_3", "bit_4", "bit_5", "bit_6", "bit_7"},
                            {}};
        for (const auto& [name, bits] : {std::pair{"DO", &values.do_}, std::pair{"DI", &values.di}}) {
            for (std::size_t byte = 0; byte < bits->size() / 8; ++byte) {
                std::vector<std::string> row{name, digitalRowLabel(byte)};
                for (std::size_t i = 0; i < 8; ++i) row.emplace_back(safeBitText((*bits)[8 * byte + i]));
                digital.rows.push_back(std::move(row));
            }
        }
        tables.push_back(std::move(digital));
        ReportTable analog{"safe_values_analog", {"area", "address", "value"}, {}};
        for (const auto& [name, words] : {std::pair{"AO", &values.ao}, std::pair{"AI", &values.ai}}) {
            for (std::size_t w = 0; w < words->size(); ++w) {
                analog.rows.push_back({name, std::to_string(w), safeWordText((*words)[w])});
            }
        }
        tables.push_back(std::move(analog));
    }

    if (content.ipSetting) {
        const IpSettingRecord& ip = *content.ipSetting;
        const auto dotted = [](const Ipv4& a) {
            return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
                   std::to_string(a[3]);
        };
        ReportTable table{"ip_setting", {"entry", "address", "timeout_ms", "reconnect_ms"}, {}};
        table.rows.push_back({"local_ip", dotted(ip.localIp), "", ""});
        table.rows.push_back({"subnet_mask", dotted(ip.subnetMask), "", ""});
        table.rows.push_back({"gateway", dotted(ip.gateway), "", ""});
        for (std::size_t i = 0; i < ip.remotes.size(); ++i) {
            const RemoteIpEntry& r = ip.remotes[i];
            // Only the low 16 bits travel to the gateway, so that is what it holds.
            table.rows.push_back({"remote_" + std::to_string(i + 1), dotted(r.address),
                                  std::to_string(r.timeoutValueMs & 0xFFFFu),
                                  std::to_string(r.reconnectTimeMs & 0xFFFFu)});
        }
        tables.push_back(std::move(table));
    }
    return tables;
}

}  // namespace norvik
