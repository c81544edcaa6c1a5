#pragma once
// What would change if a backup were restored to a gateway, and whether it may
// be restored there at all. The same comparison checks a restore afterwards:
// the gateway's read-back blocks against the backup.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "backup/gateway_backup.h"
#include "model/module_types.h"

namespace norvik {

// A row of the parameter list, or of the firmware information, that differs.
// None of these can be written to a gateway: it only ever sends them.
struct ParameterDifference {
    std::string node;         // the tree's text: "HX-3420", "Module 3"; kFirmwareNode for the firmware
    std::string item;         // the row's label; for the firmware one of the kFirmware... keys
    std::string backupValue;  // empty where the node has no such row
    std::string gatewayValue;
    bool operator==(const ParameterDifference&) const = default;
};

// One bit (DO, DI) or word (AO, AI) of the safe values, with its value as the
// safe-value grids show it: "H", "L" or four hex digits; empty where one
// side's layout has no such point.
struct SafeValueDifference {
    DeviceArea area = DeviceArea::DO;
    uint32_t index = 0;
    std::string backupValue;
    std::string gatewayValue;
    bool operator==(const SafeValueDifference&) const = default;
};

// The firmware information's rows, which the window words as its dialog does.
inline constexpr const char* kFirmwareNode = "";
inline constexpr const char* kFirmwareName = "name";
inline constexpr const char* kFirmwareVersion = "version";
inline constexpr const char* kFirmwareFileCount = "fileCount";

enum class IpField : uint8_t { LocalIp, SubnetMask, Gateway, RemoteAddress, RemoteTimeout, RemoteReconnect };

// One field of the IP setting; `remote` (0..7) for the remote rows. Values as
// dotted addresses or decimal milliseconds; empty on a side without the setting.
struct IpDifference {
    IpField field = IpField::LocalIp;
    uint8_t remote = 0;
    std::string backupValue;
    std::string gatewayValue;
    bool operator==(const IpDifference&) const = default;
};

struct BackupDifferences {
    std::vector<ParameterDifference> parameters;
    std::vector<SafeValueDifference> safeValues;
    std::vector<IpDifference> ipSetting;
    bool empty() const { return parameters.empty() && safeValues.empty() && ipSetting.empty(); }
    // Nothing that a restore writes differs.
    bool writableEqual() const { return safeValues.empty() && ipSetting.empty(); }
};

// Everything that differs between a backup and a gateway's state, in the
// order the tree, the grids (DO, DI, AO, AI) and the IP dialog show it.
BackupDifferences compareWithBackup(const GatewaySnapshot& backup, const GatewaySnapshot& gateway);

// The same comparisons for one block each, as a put checks its read-back:
// the safe values point by point (none when either block does not fill its
// layout), and the IP setting field by field.
std::vector<SafeValueDifference> compareSafeValueBlocks(std::span<const uint8_t> backup, SafeValueLayout backupLayout,
                                                        std::span<const uint8_t> gateway,
                                                        SafeValueLayout gatewayLayout);
std::vector<IpDifference> compareIpSettings(const std::optional<IpSettingRecord>& backup,
                                            const std::optional<IpSettingRecord>& gateway);

// Why a backup may not be restored to a gateway; nothing is sent then.
enum class RestoreRefusal : uint8_t {
    None,
    UnknownModel,          // the backup or the gateway does not name its model
    OtherModel,            // an HX-3410 backup to an HX-3420, or the reverse
    OtherSafeValueLayout,  // the two take safe-value blocks of different sizes
};

struct RestoreCheck {
    RestoreRefusal refusal = RestoreRefusal::None;
    std::string backupModel;
    std::string gatewayModel;
    uint32_t backupSafeValueBytes = 0;
    uint32_t gatewaySafeValueBytes = 0;
    bool allowed() const { return refusal == RestoreRefusal::None; }
};

RestoreCheck checkRestore(const GatewaySnapshot& backup, const GatewaySnapshot& gateway);

// What a restore sends: the backup's safe-value block, and its IP setting on
// an HX-3420. What a restore checks afterwards: that the gateway's read-back
// blocks equal these byte for byte.
struct RestorePlan {
    std::vector<uint8_t> safeValues;
    std::optional<IpSettingRecord> ipSetting;
};
RestorePlan restorePlan(const GatewaySnapshot& backup);

}  // namespace norvik
