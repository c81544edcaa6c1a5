#include "backup/backup_file.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <span>

#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include "backup/base64.h"
#include "backup/gateway_json.h"
#include "model/atomic_file.h"
#include "model/gateway_text.h"
#include "model/module_types.h"
#include "model/parameter_block.h"
#include "model/parameter_rows.h"

namespace norvik {

namespace {

using Json = nlohmann::ordered_json;

std::string hex32(uint32_t value) {
    std::array<char, 9> text{};
    std::snprintf(text.data(), text.size(), "%08x", value);
    return text.data();
}

// The reader's checks, each ending the read with its refusal.
class Refusal {
public:
    explicit Refusal(BackupProblem problem) : problem_(std::move(problem)) {}
    const BackupProblem& problem() const { return problem_; }

private:
    BackupProblem problem_;
};

[[noreturn]] void refuse(BackupError error, std::string field, uint64_t expected = 0, uint64_t actual = 0) {
    throw Refusal({error, std::move(field), expected, actual});
}

const Json& member(const Json& object, const char* name, const std::string& path) {
    const auto found = object.find(name);
    if (found == object.end()) refuse(BackupError::MissingField, path);
    return *found;
}

std::string stringMember(const Json& object, const char* name, const std::string& path) {
    const Json& value = member(object, name, path);
    if (!value.is_string()) refuse(BackupError::BadField, path);
    return value.get<std::string>();
}

std::vector<uint8_t> blockMember(const Json& blocks, const char* name) {
    const std::string path = std::string("blocks.") + name;
    auto bytes = decodeBase64(stringMember(blocks, name, path));
    if (!bytes) refuse(BackupError::BadField, path);
    return std::move(*bytes);
}

// "1.0": the major and the minor version, both plain decimal numbers.
std::pair<uint32_t, uint32_t> formatVersion(const std::string& text) {
    uint32_t major = 0;
    uint32_t minor = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [afterMajor, majorError] = std::from_chars(begin, end, major);
    if (majorError != std::errc() || afterMajor == begin || afterMajor == end || *afterMajor != '.') {
        refuse(BackupError::BadField, "formatVersion");
    }
    auto [afterMinor, minorError] = std::from_chars(afterMajor + 1, end, minor);
    if (minorError != std::errc() || afterMinor == afterMajor + 1 || afterMinor != end) {
        refuse(BackupError::BadField, "formatVersion");
    }
    return {major, minor};
}

GatewayBackup backupFromJson(const Json& file) {
    if (!file.is_object()) refuse(BackupError::NotABackup, "format");
    const auto tag = file.find("format");
    if (tag == file.end() || !tag->is_string() || tag->get<std::string>() != kBackupFormatTag) {
        refuse(BackupError::NotABackup, "format");
    }
    // Before anything else: a newer major version may have moved what follows.
    const auto [major, minor] = formatVersion(stringMember(file, "formatVersion", "formatVersion"));
    if (major > kBackupFormatMajor) refuse(BackupError::NewerFormat, "formatVersion", kBackupFormatMajor, major);
    if (major < 1) refuse(BackupError::BadField, "formatVersion");

    GatewayBackup backup;
    backup.origin.takenAt = stringMember(file, "takenAt", "takenAt");
    backup.origin.port = stringMember(file, "port", "port");
    const Json& baud = member(file, "baud", "baud");
    if (!baud.is_number_unsigned() || baud.get<uint64_t>() > UINT32_MAX) refuse(BackupError::BadField, "baud");
    backup.origin.baud = baud.get<uint32_t>();
    backup.origin.norvikVersion = stringMember(file, "norvikVersion", "norvikVersion");
    const std::string model = stringMember(file, "model", "model");

    GatewayBlocks blocks;
    const Json& layout = member(file, "safeValueLayout", "safeValueLayout");
    if (layout == Json(512)) {
        blocks.safeValueLayout = SafeValueLayout::Block512;
    } else if (layout == Json(976)) {
        blocks.safeValueLayout = SafeValueLayout::Block976;
    } else {
        refuse(BackupError::BadField, "safeValueLayout");
    }

    const Json& stored = member(file, "blocks", "blocks");
    if (!stored.is_object()) refuse(BackupError::BadField, "blocks");
    blocks.parameters = blockMember(stored, "parameters");
    const Json& names = member(stored, "fileNames", "blocks.fileNames");
    if (!names.is_null()) blocks.fileNames = blockMember(stored, "fileNames");
    blocks.safeValues = blockMember(stored, "safeValues");
    if (stored.contains("ipSetting")) blocks.ipSetting = blockMember(stored, "ipSetting");

    const Json& checksum = member(file, "checksum", "checksum");
    if (!checksum.is_object()) refuse(BackupError::BadField, "checksum");
    if (stringMember(checksum, "algorithm", "checksum.algorithm") != "crc32") {
        refuse(BackupError::BadField, "checksum.algorithm");
    }
    const std::string value = stringMember(checksum, "value", "checksum.value");
    uint32_t expected = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), expected, 16);
    if (value.size() != 8 || error != std::errc() || end != value.data() + value.size()) {
        refuse(BackupError::BadField, "checksum.value");
    }
    const uint32_t actual = backupChecksum(blocks);
    if (actual != expected) refuse(BackupError::WrongChecksum, "checksum.value", expected, actual);

    SnapshotResult checked = checkGatewayBlocks(std::move(blocks));
    if (!checked.snapshot) throw Refusal(checked.problem);
    if (checked.snapshot->config.modelName != model) refuse(BackupError::Inconsistent, "model");
    backup.gateway = std::move(*checked.snapshot);
    (void)minor;  // members a newer minor version adds are skipped
    return backup;
}

}  // namespace

std::string backupFileText(const GatewayBackup& backup) {
    const GatewaySnapshot& gateway = backup.gateway;
    const GatewayBlocks& blocks = gateway.blocks;
    Json stored{{"parameters", encodeBase64(blocks.parameters)},
                {"fileNames", blocks.fileNames ? Json(encodeBase64(*blocks.fileNames)) : Json(nullptr)},
                {"safeValues", encodeBase64(blocks.safeValues)}};
    if (blocks.ipSetting) stored["ipSetting"] = encodeBase64(*blocks.ipSetting);

    const Json file{{"format", kBackupFormatTag},
                    {"formatVersion", std::to_string(kBackupFormatMajor) + "." + std::to_string(kBackupFormatMinor)},
                    {"takenAt", backup.origin.takenAt},
                    {"port", backup.origin.port},
                    {"baud", backup.origin.baud},
                    {"norvikVersion", backup.origin.norvikVersion},
                    {"model", gateway.config.modelName},
                    {"safeValueLayout", safeValueBlockBytes(blocks.safeValueLayout)},
                    {"blocks", std::move(stored)},
                    {"checksum", {{"algorithm", "crc32"}, {"value", hex32(backupChecksum(blocks))}}},
                    {"summary", Json(gatewaySnapshotJson(gateway))}};
    // File names are whatever bytes the gateway sent; a name that is not
    // UTF-8 is shown with replacement characters rather than failing the save.
    return file.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

BackupProblem writeBackupFile(const std::string& path, const GatewayBackup& backup) {
    const std::string text = backupFileText(backup);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    if (!writeFileAtomically(path, std::span(bytes, text.size()))) return {BackupError::CannotWrite, {}, 0, 0};
    return {};
}

namespace {

// How deep the text's arrays and objects nest, counted only as far as `limit`
// (one past it means deeper), without building anything.
std::size_t jsonNesting(std::string_view text, std::size_t limit) {
    std::size_t depth = 0;
    std::size_t deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) escaped = false;
            else if (c == '\\') escaped = true;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
            if (deepest > limit) break;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

}  // namespace

BackupReadResult parseBackupText(std::string_view text) {
    BackupReadResult result;
    if (text.size() > kMaxBackupFileBytes) {
        result.problem = {BackupError::TooLarge, {}, kMaxBackupFileBytes, text.size()};
        return result;
    }
    if (jsonNesting(text, kMaxBackupNesting) > kMaxBackupNesting) {
        result.problem = {BackupError::BadJson, {}, 0, 0};
        return result;
    }
    const Json file = Json::parse(text, nullptr, false);
    if (file.is_discarded()) {
        result.problem = {BackupError::BadJson, {}, 0, 0};
        return result;
    }
    try {
        result.backup = backupFromJson(file);
    } catch (const Refusal& refusal) {
        result.problem = refusal.problem();
    }
    return result;
}

BackupReadResult readBackupFile(const std::string& path) {
    BackupReadResult result;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        result.problem = {BackupError::CannotOpen, {}, 0, 0};
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.problem = {BackupError::NotRegularFile, {}, 0, 0};
        return result;
    }
    const auto size = static_cast<uint64_t>(info.st_size);
    if (size > kMaxBackupFileBytes) {
        result.problem = {BackupError::TooLarge, {}, kMaxBackupFileBytes, size};
        return result;
    }
    // One byte more than allowed, so a file that grew since the look above is
    // still caught.
    const auto bytes = readRegularFile(path, kMaxBackupFileBytes + 1);
    if (!bytes) {
        result.problem = {BackupError::CannotOpen, {}, 0, 0};
        return result;
    }
    return parseBackupText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

}  // namespace norvik
