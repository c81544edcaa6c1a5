#include "backup_words.h"

#include "device_run.h"
#include "backup/backup_text.h"
#include "model/gateway_text.h"
#include "spaces/device_space.h"

namespace norvik::cli {

using nlohmann::json;

std::string backupProblemText(const BackupProblem& p) {
    const std::string field = p.field.empty() ? "a member" : p.field;
    switch (p.error) {
    case BackupError::None: return {};
    case BackupError::CannotOpen: return "The backup file cannot be opened.";
    case BackupError::NotRegularFile: return "The backup is no regular file.";
    case BackupError::TooLarge:
        return "The file is too large to be a backup (" + std::to_string(p.actual) + " bytes, at most " +
               std::to_string(p.expected) + ").";
    case BackupError::BadJson: return "The file is no valid JSON.";
    case BackupError::NotABackup: return "The file is no Norvik backup.";
    case BackupError::NewerFormat:
        return "The backup was written by a newer Norvik (format " + std::to_string(p.actual) +
               "; this one reads format " + std::to_string(p.expected) + ").";
    case BackupError::MissingField: return "The backup lacks " + field + ".";
    case BackupError::BadField: return "The backup's " + field + " is not valid.";
    case BackupError::WrongChecksum:
        return "The backup's checksum does not match its blocks: the file was changed or damaged.";
    case BackupError::WrongBlockSize:
        return "The backup's " + field + " holds " + std::to_string(p.actual) + " bytes, not " +
               std::to_string(p.expected) + ".";
    case BackupError::Inconsistent: return "The backup's " + field + " contradicts its blocks.";
    case BackupError::CannotWrite: return "The backup file could not be written; an existing one is untouched.";
    }
    return {};
}

std::string restoreRefusalText(const RestoreCheck& c) {
    switch (c.refusal) {
    case RestoreRefusal::None: return {};
    case RestoreRefusal::UnknownModel: return "The backup or the gateway does not name its model: nothing was sent.";
    case RestoreRefusal::OtherModel:
        return "The backup is of an " + gatewayTextToUtf8(c.backupModel) + ", the gateway is an " +
               gatewayTextToUtf8(c.gatewayModel) + ": nothing was sent.";
    case RestoreRefusal::OtherSafeValueLayout:
        return "The backup holds " + std::to_string(c.backupSafeValueBytes) + "-byte safe values, the gateway takes " +
               std::to_string(c.gatewaySafeValueBytes) + ": nothing was sent.";
    }
    return {};
}

namespace {

const char* areaKey(DeviceArea area) {
    switch (area) {
    case DeviceArea::DO: return "do";
    case DeviceArea::DI: return "di";
    case DeviceArea::AO: return "ao";
    case DeviceArea::AI: return "ai";
    }
    return "?";
}

std::string shown(const std::string& value) { return value.empty() ? "(none)" : value; }

}  // namespace

std::vector<std::string> differenceLines(const BackupDifferences& d) {
    std::vector<std::string> lines;
    for (const ParameterDifference& p : d.parameters)
        lines.push_back("  " + gatewayTextToUtf8(p.node) + ", " + gatewayTextToUtf8(p.item) + ": backup " +
                        shown(gatewayTextToUtf8(p.backupValue)) + ", gateway " +
                        shown(gatewayTextToUtf8(p.gatewayValue)));
    for (const SafeValueDifference& s : d.safeValues)
        lines.push_back(std::string("  safe value ") + deviceAreaName(s.area) + " " + std::to_string(s.index) +
                        ": backup " + shown(s.backupValue) + ", gateway " + shown(s.gatewayValue));
    for (const IpDifference& i : d.ipSetting)
        lines.push_back("  IP setting " + ipFieldName(i.field, i.remote) + ": backup " + shown(i.backupValue) +
                        ", gateway " + shown(i.gatewayValue));
    return lines;
}

json differencesJson(const BackupDifferences& d) {
    json parameters = json::array(), safeValues = json::array(), ip = json::array();
    for (const ParameterDifference& p : d.parameters)
        parameters.push_back({{"node", gatewayTextToUtf8(p.node)},
                              {"item", gatewayTextToUtf8(p.item)},
                              {"backup", gatewayTextToUtf8(p.backupValue)},
                              {"gateway", gatewayTextToUtf8(p.gatewayValue)}});
    for (const SafeValueDifference& s : d.safeValues)
        safeValues.push_back(
            {{"area", areaKey(s.area)}, {"index", s.index}, {"backup", s.backupValue}, {"gateway", s.gatewayValue}});
    for (const IpDifference& i : d.ipSetting)
        ip.push_back(
            {{"field", ipFieldName(i.field, i.remote)}, {"backup", i.backupValue}, {"gateway", i.gatewayValue}});
    return {
        {"parameters", std::move(parameters)}, {"safe_values", std::move(safeValues)}, {"ip_setting", std::move(ip)}};
}

}  // namespace norvik::cli
