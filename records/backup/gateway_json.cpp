#include "backup/gateway_json.h"

#include "model/gateway_text.h"
#include "model/module_types.h"
#include "model/parameter_rows.h"
#include "spaces/device_space.h"

namespace norvik {

using nlohmann::json;

namespace {

json rowsJson(const std::vector<ParameterRow>& rows) {
    json list = json::object();
    for (const ParameterRow& row : rows) list[gatewayTextToUtf8(row.label)] = gatewayTextToUtf8(row.value);
    return list;
}

const char* spaceName(ModbusKind kind) {
    switch (kind) {
    case ModbusKind::DO: return "DO";
    case ModbusKind::DI: return "DI";
    case ModbusKind::AO: return "AO";
    case ModbusKind::AI: return "AI";
    case ModbusKind::RDO: return "RDO";
    case ModbusKind::RAO: return "RAO";
    }
    return "";
}

std::string dotted(const Ipv4& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." + std::to_string(a[3]);
}

}  // namespace

json gatewayConfigJson(const GatewayConfig& config) {
    json parameters = json::object();
    parameters["role"] = config.role == ModbusRole::Master ? "master" : "slave";
    parameters["format"] = config.modbusFormat == ModbusFormat::Rtu     ? "rtu"
                           : config.modbusFormat == ModbusFormat::Ascii ? "ascii"
                                                                        : "tcp";
    parameters["slave_device_id"] = config.slaveDeviceId;
    parameters["stop_mode"] = config.stopMode;
    parameters["byte_order"] = config.byteOrder;
    parameters["output_data_mode"] = config.outputDataMode;
    parameters["poll_interval_ms"] = config.pollIntervalMs;
    parameters["timeout_ms"] = config.timeoutMs;
    parameters["module_count"] = config.moduleCount;
    parameters["tcp_connect_count"] = config.tcpConnectCount;
    parameters["system_module"] = config.systemModuleStatus == SystemModuleStatus::Present   ? "present"
                                  : config.systemModuleStatus == SystemModuleStatus::Missing ? "missing"
                                                                                             : "misplaced";
    json modules = json::array();
    const int count = std::min<int>(config.moduleCount, static_cast<int>(kMaxModules));
    for (int n = 1; n <= count; ++n) {
        const ModuleEntry& m = config.modules[static_cast<std::size_t>(n)];
        json module{{"number", n}};
        if (m.deviceId == kSystemModuleId) {
            module["type"] = "system";
        } else {
            module["type"] = moduleTypeText(static_cast<uint8_t>(m.type), config.role);
            module["device_id"] = m.deviceId;
            module["profibus_base"] = m.profibusBase;
            module["internal_base"] = m.internalBase;
            module["data_length"] = m.dataLength;
            module["coil_count"] = m.coilCount;
            module["modbus_start"] = m.modbusStart;
            module["word_swap"] = m.wordSwap;
            module["tcp_index"] = m.tcpIndex;
            module["type_code"] = static_cast<int>(m.type);
            if (const auto meaning = moduleMeaning(m.type, config.role)) {
                module["modbus_space"] = spaceName(meaning->modbusKind);
                module["device_area"] = deviceAreaName(meaning->deviceArea);
            }
            if (const ModuleTypeRow* row = moduleTypeRow(m.type))
                module["profibus"] = row->profibus == ProfibusTable::Output ? "output" : "input";
        }
        module["rows"] = rowsJson(moduleRows(config, n));
        modules.push_back(std::move(module));
    }
    return {{"model", gatewayTextToUtf8(config.modelName)},
            {"parameters", std::move(parameters)},
            {"rows", rowsJson(gatewayRows(config, config.modelName))},
            {"modules", std::move(modules)}};
}

json gatewayFilesJson(bool read, const FileNameList& names, uint8_t count, SafeValueLayout layout) {
    json files{{"read", read}, {"count", count}};
    json list = json::array();
    for (std::size_t i = 0; i < count && i < kFileNameSlots; ++i) list.push_back(gatewayTextToUtf8(names[i]));
    files["names"] = std::move(list);
    files["safe_value_bytes"] = safeValueBlockBytes(layout);
    if (read) {
        const FirmwareDisplay firmware = selectFirmwareFile(FirmwareQueryState::Received, names, count);
        files["firmware"] = gatewayTextToUtf8(firmware.firmwareName);
        files["version"] = gatewayTextToUtf8(firmware.version);
    }
    return files;
}

json ipSettingJson(const IpSettingRecord& r) {
    json remotes = json::array();
    for (const RemoteIpEntry& e : r.remotes)
        remotes.push_back(
            {{"address", dotted(e.address)}, {"timeout_ms", e.timeoutValueMs}, {"reconnect_ms", e.reconnectTimeMs}});
    return {{"local_ip", dotted(r.localIp)},
            {"subnet_mask", dotted(r.subnetMask)},
            {"gateway", dotted(r.gateway)},
            {"remotes", std::move(remotes)}};
}

json gatewaySnapshotJson(const GatewaySnapshot& gateway) {
    json all = gatewayConfigJson(gateway.config);
    all["files"] = gatewayFilesJson(gateway.blocks.fileNames.has_value(), gateway.fileNames, gateway.fileCount,
                                    gateway.blocks.safeValueLayout);
    if (gateway.ipSetting) all["ip_setting"] = ipSettingJson(*gateway.ipSetting);
    return all;
}

}  // namespace norvik
