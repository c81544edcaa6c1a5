#include "backup/gateway_backup.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <span>

#include <zlib.h>

#include "model/parameter_block.h"
#include "norvik_version.h"

namespace norvik {

namespace {

BackupProblem wrongSize(std::string field, std::size_t expected, std::size_t actual) {
    return {BackupError::WrongBlockSize, std::move(field), expected, actual};
}

BackupProblem problem(BackupError error, std::string field) { return {error, std::move(field), 0, 0}; }

// Parses the reply as the receiver does, chunk by chunk, from bytes already
// there. A reply that parses whole and leaves nothing over is the only kind a
// gateway sends and a receiver keeps.
std::optional<BackupProblem> decodeFileNames(std::span<const uint8_t> bytes, FileNameReply& reply) {
    FileNameReplyDecoder decoder(reply);
    std::size_t used = 0;
    while (!decoder.done()) {
        const std::size_t want = decoder.nextChunkBytes();
        if (bytes.size() - used < want) return wrongSize("blocks.fileNames", used + want, bytes.size());
        decoder.feed(bytes.subspan(used, want));
        used += want;
    }
    if (reply.failed) return problem(BackupError::BadField, "blocks.fileNames");
    if (used != bytes.size()) return wrongSize("blocks.fileNames", used, bytes.size());
    return std::nullopt;
}

void crcUpdate(uLong& crc, std::span<const uint8_t> bytes) {
    // zlib takes lengths as uInt; blocks are far below that, but a span need not be.
    while (!bytes.empty()) {
        const std::size_t piece = std::min<std::size_t>(bytes.size(), 1u << 30);
        crc = ::crc32(crc, bytes.data(), static_cast<uInt>(piece));
        bytes = bytes.subspan(piece);
    }
}

void crcBlock(uLong& crc, char tag, std::span<const uint8_t> bytes) {
    const auto size = static_cast<uint32_t>(bytes.size());
    const std::array<uint8_t, 5> head{static_cast<uint8_t>(tag), static_cast<uint8_t>(size >> 24),
                                      static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 8),
                                      static_cast<uint8_t>(size)};
    crcUpdate(crc, head);
    crcUpdate(crc, bytes);
}

}  // namespace

SnapshotResult checkGatewayBlocks(GatewayBlocks blocks) {
    SnapshotResult result;
    GatewaySnapshot snapshot;

    const std::vector<uint8_t>& parameters = blocks.parameters;
    if (parameters.size() < kHeaderBytes) {
        result.problem = wrongSize("blocks.parameters", kHeaderBytes, parameters.size());
        return result;
    }
    const auto header = std::span(parameters).first(kHeaderBytes);
    const std::size_t whole = kHeaderBytes + announcedRecordBytes(header);
    if (parameters.size() != whole) {
        result.problem = wrongSize("blocks.parameters", whole, parameters.size());
        return result;
    }
    decodeParameterBlock(header, std::span(parameters).subspan(kHeaderBytes), snapshot.config);

    if (blocks.fileNames) {
        FileNameReply reply;
        if (auto bad = decodeFileNames(*blocks.fileNames, reply)) {
            result.problem = std::move(*bad);
            return result;
        }
        snapshot.fileNames = reply.names;
        snapshot.fileCount = reply.fileCount;
    }

    // The link starts every connection at the small block and lets the file
    // names move it; a backup's layout must be the one that gives.
    const SafeValueLayout chosen =
        chooseSafeValueLayout(snapshot.config.modelName, snapshot.fileNames, SafeValueLayout::Block512);
    if (blocks.safeValueLayout != chosen) {
        result.problem = problem(BackupError::Inconsistent, "safeValueLayout");
        return result;
    }
    const std::size_t safeBytes = safeValueBlockBytes(blocks.safeValueLayout);
    if (blocks.safeValues.size() != safeBytes) {
        result.problem = wrongSize("blocks.safeValues", safeBytes, blocks.safeValues.size());
        return result;
    }

    const bool ethernet = snapshot.config.modelName == kModelHx3420;
    if (ethernet && !blocks.ipSetting) {
        result.problem = problem(BackupError::MissingField, "blocks.ipSetting");
        return result;
    }
    if (!ethernet && blocks.ipSetting) {
        result.problem = problem(BackupError::Inconsistent, "blocks.ipSetting");
        return result;
    }
    if (blocks.ipSetting) {
        if (blocks.ipSetting->size() != kIpSettingBlockBytes) {
            result.problem = wrongSize("blocks.ipSetting", kIpSettingBlockBytes, blocks.ipSetting->size());
            return result;
        }
        snapshot.ipSetting = decodeIpSettingBlock(std::span(*blocks.ipSetting).first<kIpSettingBlockBytes>());
    }

    snapshot.blocks = std::move(blocks);
    result.snapshot = std::move(snapshot);
    return result;
}

std::string backupTimeText(std::chrono::system_clock::time_point at) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text.data();
}

BackupOrigin backupOriginNow(std::string port, uint32_t baud, std::chrono::system_clock::time_point at) {
    return BackupOrigin{backupTimeText(at), std::move(port), baud, NORVIK_VERSION};
}

std::string proposedBackupFileName(const std::string& modelName, std::chrono::year_month_day day) {
    std::array<char, 16> date{};
    std::snprintf(date.data(), date.size(), "%04d-%02u-%02u", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    return modelName + "_" + date.data() + "." + kBackupFileExtension;
}

uint32_t backupChecksum(const GatewayBlocks& blocks) {
    uLong crc = ::crc32(0L, Z_NULL, 0);
    crcBlock(crc, 'P', blocks.parameters);
    if (blocks.fileNames) crcBlock(crc, 'F', *blocks.fileNames);
    crcBlock(crc, 'S', blocks.safeValues);
    if (blocks.ipSetting) crcBlock(crc, 'I', *blocks.ipSetting);
    return static_cast<uint32_t>(crc);
}

}  // namespace norvik
