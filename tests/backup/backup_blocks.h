#pragma once
// Gateway blocks as a gateway of each kind sends them, for the backup tests.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "backup/gateway_backup.h"
#include "ipsetting/ip_setting.h"

namespace norvik::test {

using Bytes = std::vector<uint8_t>;

// A header for `model` ('4' or '5') with the system module first and
// `modules` I/O modules of alternating type, poll interval `pollMs`.
inline Bytes sampleParameterBlock(char model, int modules, uint16_t pollMs = 100) {
    Bytes b{'K',
            static_cast<uint8_t>(model),
            0,
            0,
            1,
            1,
            7,
            static_cast<uint8_t>(pollMs >> 8),
            static_cast<uint8_t>(pollMs),
            0x03,
            0xE8,
            static_cast<uint8_t>(modules),
            2,
            0,
            0,
            0};
    const Bytes system{0xFF, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    b.insert(b.end(), system.begin(), system.end());
    for (int m = 0; m < modules; ++m) {
        const auto id = static_cast<uint8_t>(m + 1);
        const auto type = static_cast<uint8_t>(m % 4);
        const Bytes record{id,
                           type,
                           static_cast<uint8_t>(4 * m),
                           0,
                           static_cast<uint8_t>(16 * m),
                           4,
                           8,
                           0,
                           static_cast<uint8_t>(10 * m),
                           0,
                           1,
                           0};
        b.insert(b.end(), record.begin(), record.end());
    }
    return b;
}

inline Bytes sampleFileNameReply(const std::vector<std::string>& names) {
    std::string s = "File_NO=";
    s += static_cast<char>(names.size());
    for (const auto& n : names) s += "File_Name=" + n;
    return Bytes(s.begin(), s.end());
}

inline Bytes safeValueBytes(std::size_t size, uint8_t seed) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(i * 7 + seed);
    return b;
}

inline Bytes ipBlock(uint8_t lastOctet) {
    IpSettingRecord record;
    setDefaultIpSetting(record);
    record.localIp[3] = lastOctet;
    const IpSettingBlock block = encodeIpSettingBlock(record);
    return Bytes(block.begin(), block.end());
}

enum class Kind { Hx3410, Hx3420Small, Hx3420Large };

// What a gateway of the kind sends; `seed` varies the safe values.
inline GatewayBlocks gatewayBlocks(Kind kind, uint8_t seed = 0, int modules = 3) {
    GatewayBlocks blocks;
    switch (kind) {
    case Kind::Hx3410:
        blocks.parameters = sampleParameterBlock('4', modules);
        blocks.fileNames = sampleFileNameReply({"3410V11.bin", "autoexec.bat"});
        blocks.safeValueLayout = SafeValueLayout::Block512;
        break;
    case Kind::Hx3420Small:
        blocks.parameters = sampleParameterBlock('5', modules);
        blocks.fileNames = sampleFileNameReply({"3420V10.bin"});
        blocks.safeValueLayout = SafeValueLayout::Block512;
        blocks.ipSetting = ipBlock(1);
        break;
    case Kind::Hx3420Large:
        blocks.parameters = sampleParameterBlock('5', modules);
        blocks.fileNames = sampleFileNameReply({"autoexec.bat", "3420V13.bin"});
        blocks.safeValueLayout = SafeValueLayout::Block976;
        blocks.ipSetting = ipBlock(1);
        break;
    }
    blocks.safeValues = safeValueBytes(safeValueBlockBytes(blocks.safeValueLayout), seed);
    return blocks;
}

inline GatewaySnapshot snapshotOf(const GatewayBlocks& blocks) {
    SnapshotResult result = checkGatewayBlocks(blocks);
    if (!result.snapshot) throw std::runtime_error("test blocks refused: " + result.problem.field);
    return std::move(*result.snapshot);
}

inline GatewayBackup backupOf(const GatewayBlocks& blocks) {
    return GatewayBackup{BackupOrigin{"2026-12-07T17:20:05Z", "/dev/ttyUSB0", 115200, "1.5"}, snapshotOf(blocks)};
}

}  // namespace norvik::test
