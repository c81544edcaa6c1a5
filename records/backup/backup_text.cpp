#include "backup/backup_text.h"

#include "model/gateway_text.h"
#include "model/parameter_rows.h"
#include "safevalue/safe_value.h"

namespace norvik {

namespace {

std::string dotted(const Ipv4& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." + std::to_string(address[2]) + "." +
           std::to_string(address[3]);
}

// An unset point has no text; a line of its own still keeps the count of lines
// the same from backup to backup, so that a diff pairs the points up.
std::string orDash(std::string text) { return text.empty() ? "-" : text; }

class TextWriter {
public:
    void line(const std::string& key, const std::string& value) { text_ += key + ": " + value + "\n"; }
    void rows(const std::string& node, const std::vector<ParameterRow>& rows) {
        for (const ParameterRow& row : rows)
            line(gatewayTextToUtf8(node) + ", " + gatewayTextToUtf8(row.label), gatewayTextToUtf8(row.value));
    }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

template <typename Entry, typename Text>
void area(TextWriter& out, const char* name, const std::vector<Entry>& points, Text text) {
    for (std::size_t i = 0; i < points.size(); ++i)
        out.line(std::string("safe value ") + name + " " + std::to_string(i), orDash(std::string(text(points[i]))));
}

}  // namespace

std::string ipFieldName(IpField field, uint8_t remote) {
    switch (field) {
    case IpField::LocalIp: return "local_ip";
    case IpField::SubnetMask: return "subnet_mask";
    case IpField::Gateway: return "gateway";
    case IpField::RemoteAddress: return "remotes[" + std::to_string(remote + 1) + "].address";
    case IpField::RemoteTimeout: return "remotes[" + std::to_string(remote + 1) + "].timeout_ms";
    case IpField::RemoteReconnect: return "remotes[" + std::to_string(remote + 1) + "].reconnect_ms";
    }
    return "?";
}

std::string backupText(const GatewayBackup& backup) {
    const GatewaySnapshot& gateway = backup.gateway;
    const GatewayConfig& config = gateway.config;
    TextWriter out;
    out.line("model", gatewayTextToUtf8(config.modelName));
    out.line("taken", backup.origin.takenAt + " from " + backup.origin.port + " at " +
                          std::to_string(backup.origin.baud) + " Bd by Norvik " + backup.origin.norvikVersion);
    out.rows(config.modelName, gatewayRows(config, config.modelName));
    const int modules = std::min<int>(config.moduleCount, static_cast<int>(kMaxModules));
    for (int n = 1; n <= modules; ++n) out.rows(moduleNodeName(n), moduleRows(config, n));

    if (gateway.blocks.fileNames) {
        const FirmwareDisplay shown =
            selectFirmwareFile(FirmwareQueryState::Received, gateway.fileNames, gateway.fileCount);
        out.line("firmware, name", orDash(gatewayTextToUtf8(shown.firmwareName)));
        out.line("firmware, version", orDash(gatewayTextToUtf8(shown.version)));
        out.line("firmware, fileCount", shown.fileCountText);
        for (std::size_t i = 0; i < gateway.fileCount && i < kFileNameSlots; ++i)
            out.line("file " + std::to_string(i + 1), gatewayTextToUtf8(gateway.fileNames[i]));
    } else {
        out.line("firmware", "no file names (the firmware does not give them)");
    }

    out.line("safe values", std::to_string(gateway.blocks.safeValues.size()) + " bytes");
    if (const auto table = decodeSafeValueBlock(gateway.blocks.safeValues, gateway.blocks.safeValueLayout)) {
        area(out, "DO", table->do_, safeBitText);
        area(out, "DI", table->di, safeBitText);
        area(out, "AO", table->ao, safeWordText);
        area(out, "AI", table->ai, safeWordText);
    }

    if (const auto& ip = gateway.ipSetting) {
        const std::string prefix = "IP setting ";
        out.line(prefix + ipFieldName(IpField::LocalIp, 0), dotted(ip->localIp));
        out.line(prefix + ipFieldName(IpField::SubnetMask, 0), dotted(ip->subnetMask));
        out.line(prefix + ipFieldName(IpField::Gateway, 0), dotted(ip->gateway));
        for (std::size_t k = 0; k < ip->remotes.size(); ++k) {
            const auto r = static_cast<uint8_t>(k);
            const RemoteIpEntry& e = ip->remotes[k];
            out.line(prefix + ipFieldName(IpField::RemoteAddress, r), dotted(e.address));
            out.line(prefix + ipFieldName(IpField::RemoteTimeout, r), std::to_string(e.timeoutValueMs));
            out.line(prefix + ipFieldName(IpField::RemoteReconnect, r), std::to_string(e.reconnectTimeMs));
        }
    }
    return out.take();
}

}  // namespace norvik
