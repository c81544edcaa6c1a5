#include "backup/backup_diff.h"

#include <algorithm>
#include <array>

#include "model/parameter_rows.h"
#include "safevalue/safe_value.h"

namespace norvik {

namespace {

void compareRows(const std::string& node, const std::vector<ParameterRow>& backup,
                 const std::vector<ParameterRow>& gateway, std::vector<ParameterDifference>& out) {
    auto valueIn = [](const std::vector<ParameterRow>& rows, const std::string& label) -> const std::string* {
        const auto found =
            std::find_if(rows.begin(), rows.end(), [&](const ParameterRow& r) { return r.label == label; });
        return found == rows.end() ? nullptr : &found->value;
    };
    for (const ParameterRow& row : backup) {
        const std::string* other = valueIn(gateway, row.label);
        if (other == nullptr || *other != row.value) out.push_back({node, row.label, row.value, other ? *other : ""});
    }
    for (const ParameterRow& row : gateway) {
        if (valueIn(backup, row.label) == nullptr) out.push_back({node, row.label, "", row.value});
    }
}

int shownModules(const GatewayConfig& config) {
    return std::min<int>(config.moduleCount, static_cast<int>(kMaxModules));
}

FirmwareDisplay firmwareOf(const GatewaySnapshot& snapshot) {
    const FirmwareQueryState state =
        snapshot.blocks.fileNames ? FirmwareQueryState::Received : FirmwareQueryState::ReceiveError;
    return selectFirmwareFile(state, snapshot.fileNames, snapshot.fileCount);
}

void compareParameters(const GatewaySnapshot& backup, const GatewaySnapshot& gateway,
                       std::vector<ParameterDifference>& out) {
    const GatewayConfig& b = backup.config;
    const GatewayConfig& g = gateway.config;
    compareRows(b.modelName, gatewayRows(b, b.modelName), gatewayRows(g, g.modelName), out);
    const int modules = std::max(shownModules(b), shownModules(g));
    for (int n = 1; n <= modules; ++n) {
        compareRows(moduleNodeName(n), n <= shownModules(b) ? moduleRows(b, n) : std::vector<ParameterRow>{},
                    n <= shownModules(g) ? moduleRows(g, n) : std::vector<ParameterRow>{}, out);
    }
    const FirmwareDisplay fb = firmwareOf(backup);
    const FirmwareDisplay fg = firmwareOf(gateway);
    compareRows(
        kFirmwareNode,
        {{kFirmwareName, fb.firmwareName}, {kFirmwareVersion, fb.version}, {kFirmwareFileCount, fb.fileCountText}},
        {{kFirmwareName, fg.firmwareName}, {kFirmwareVersion, fg.version}, {kFirmwareFileCount, fg.fileCountText}},
        out);
}

template <typename Entry, typename Text>
void compareArea(DeviceArea area, const std::vector<Entry>& backup, const std::vector<Entry>& gateway, Text text,
                 std::vector<SafeValueDifference>& out) {
    const std::size_t points = std::max(backup.size(), gateway.size());
    for (std::size_t i = 0; i < points; ++i) {
        const bool inBackup = i < backup.size();
        const bool inGateway = i < gateway.size();
        if (inBackup && inGateway && backup[i] == gateway[i]) continue;
        out.push_back({area, static_cast<uint32_t>(i), inBackup ? std::string(text(backup[i])) : std::string(),
                       inGateway ? std::string(text(gateway[i])) : std::string()});
    }
}

void compareSafeValues(std::span<const uint8_t> backup, SafeValueLayout backupLayout, std::span<const uint8_t> gateway,
                       SafeValueLayout gatewayLayout, std::vector<SafeValueDifference>& out) {
    const auto b = decodeSafeValueBlock(backup, backupLayout);
    const auto g = decodeSafeValueBlock(gateway, gatewayLayout);
    if (!b || !g) return;
    compareArea(DeviceArea::DO, b->do_, g->do_, safeBitText, out);
    compareArea(DeviceArea::DI, b->di, g->di, safeBitText, out);
    compareArea(DeviceArea::AO, b->ao, g->ao, safeWordText, out);
    compareArea(DeviceArea::AI, b->ai, g->ai, safeWordText, out);
}

std::string dotted(const Ipv4& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." + std::to_string(address[2]) + "." +
           std::to_string(address[3]);
}

void compareIpSetting(const std::optional<IpSettingRecord>& backup, const std::optional<IpSettingRecord>& gateway,
                      std::vector<IpDifference>& out) {
    if (!backup && !gateway) return;
    auto field = [&](IpField which, uint8_t remote, auto get) {
        const std::string b = backup ? get(*backup) : std::string();
        const std::string g = gateway ? get(*gateway) : std::string();
        if (b != g) out.push_back({which, remote, b, g});
    };
    field(IpField::LocalIp, 0, [](const IpSettingRecord& r) { return dotted(r.localIp); });
    field(IpField::SubnetMask, 0, [](const IpSettingRecord& r) { return dotted(r.subnetMask); });
    field(IpField::Gateway, 0, [](const IpSettingRecord& r) { return dotted(r.gateway); });
    for (std::size_t k = 0; k < kRemoteIpEntries; ++k) {
        const auto remote = static_cast<uint8_t>(k);
        field(IpField::RemoteAddress, remote, [k](const IpSettingRecord& r) { return dotted(r.remotes[k].address); });
        field(IpField::RemoteTimeout, remote,
              [k](const IpSettingRecord& r) { return std::to_string(r.remotes[k].timeoutValueMs); });
        field(IpField::RemoteReconnect, remote,
              [k](const IpSettingRecord& r) { return std::to_string(r.remotes[k].reconnectTimeMs); });
    }
}

bool namesModel(const std::string& model) { return model == kModelHx3410 || model == kModelHx3420; }

}  // namespace

BackupDifferences compareWithBackup(const GatewaySnapshot& backup, const GatewaySnapshot& gateway) {
    BackupDifferences differences;
    compareParameters(backup, gateway, differences.parameters);
    // Both blocks passed the checks, so each decodes under its own layout.
    compareSafeValues(backup.blocks.safeValues, backup.blocks.safeValueLayout, gateway.blocks.safeValues,
                      gateway.blocks.safeValueLayout, differences.safeValues);
    compareIpSetting(backup.ipSetting, gateway.ipSetting, differences.ipSetting);
    return differences;
}

std::vector<SafeValueDifference> compareSafeValueBlocks(std::span<const uint8_t> backup, SafeValueLayout backupLayout,
                                                        std::span<const uint8_t> gateway,
                                                        SafeValueLayout gatewayLayout) {
    std::vector<SafeValueDifference> out;
    compareSafeValues(backup, backupLayout, gateway, gatewayLayout, out);
    return out;
}

std::vector<IpDifference> compareIpSettings(const std::optional<IpSettingRecord>& backup,
                                            const std::optional<IpSettingRecord>& gateway) {
    std::vector<IpDifference> out;
    compareIpSetting(backup, gateway, out);
    return out;
}

RestoreCheck checkRestore(const GatewaySnapshot& backup, const GatewaySnapshot& gateway) {
    RestoreCheck check;
    check.backupModel = backup.config.modelName;
    check.gatewayModel = gateway.config.modelName;
    check.backupSafeValueBytes = safeValueBlockBytes(backup.blocks.safeValueLayout);
    check.gatewaySafeValueBytes = safeValueBlockBytes(gateway.blocks.safeValueLayout);
    if (!namesModel(check.backupModel) || !namesModel(check.gatewayModel)) {
        check.refusal = RestoreRefusal::UnknownModel;
    } else if (check.backupModel != check.gatewayModel) {
        check.refusal = RestoreRefusal::OtherModel;
    } else if (check.backupSafeValueBytes != check.gatewaySafeValueBytes) {
        // The block carries no layout of its own: sent to the other size it
        // would put every AI and AO value at another address.
        check.refusal = RestoreRefusal::OtherSafeValueLayout;
    }
    return check;
}

RestorePlan restorePlan(const GatewaySnapshot& backup) {
    return RestorePlan{backup.blocks.safeValues, backup.ipSetting};
}

}  // namespace norvik
