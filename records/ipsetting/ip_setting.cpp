#include "ipsetting/ip_setting.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "model/atomic_file.h"

namespace norvik {

namespace {

constexpr std::size_t kAddressBytes = 4;
constexpr std::size_t kRemoteOffset = 12;
constexpr std::size_t kRemoteBytes = 8;

constexpr Ipv4 kDefaultLocalIp{192, 168, 255, 1};
constexpr Ipv4 kDefaultSubnetMask{255, 255, 0, 0};
constexpr Ipv4 kDefaultGateway{192, 168, 0, 1};
constexpr Ipv4 kDefaultRemoteIp{192, 168, 0, 100};
constexpr uint32_t kDefaultTimeoutMs = 1500;
constexpr uint32_t kDefaultReconnectMs = 8000;

void putAddress(IpSettingBlock& block, std::size_t at, const Ipv4& address) {
    std::copy(address.begin(), address.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
}

// Only the low 16 bits travel; the dialog keeps the values within them.
void putTime(IpSettingBlock& block, std::size_t at, uint32_t value) {
    block[at] = static_cast<uint8_t>(value >> 8);
    block[at + 1] = static_cast<uint8_t>(value);
}

Ipv4 getAddress(std::span<const uint8_t, kIpSettingBlockBytes> block, std::size_t at) {
    Ipv4 address{};
    std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(at), kAddressBytes, address.begin());
    return address;
}

uint32_t getTime(std::span<const uint8_t, kIpSettingBlockBytes> block, std::size_t at) {
    return static_cast<uint32_t>(block[at]) * 256u + block[at + 1];
}

}  // namespace

void setDefaultIpSetting(IpSettingRecord& record) {
    record.localIp = kDefaultLocalIp;
    record.subnetMask = kDefaultSubnetMask;
    record.gateway = kDefaultGateway;
    for (RemoteIpEntry& remote : record.remotes) {
        remote.address = kDefaultRemoteIp;
        remote.timeoutValueMs = kDefaultTimeoutMs;
        remote.reconnectTimeMs = kDefaultReconnectMs;
    }
}

IpSettingBlock encodeIpSettingBlock(const IpSettingRecord& record) {
    IpSettingBlock block{};
    putAddress(block, 0, record.localIp);
    putAddress(block, 4, record.subnetMask);
    putAddress(block, 8, record.gateway);
    for (std::size_t k = 0; k < kRemoteIpEntries; ++k) {
        const std::size_t at = kRemoteOffset + kRemoteBytes * k;
        putAddress(block, at, record.remotes[k].address);
        putTime(block, at + 4, record.remotes[k].timeoutValueMs);
        putTime(block, at + 6, record.remotes[k].reconnectTimeMs);
    }
    return block;
}

IpSettingRecord decodeIpSettingBlock(std::span<const uint8_t, kIpSettingBlockBytes> block) {
    IpSettingRecord record;
    record.localIp = getAddress(block, 0);
    record.subnetMask = getAddress(block, 4);
    record.gateway = getAddress(block, 8);
    for (std::size_t k = 0; k < kRemoteIpEntries; ++k) {
        const std::size_t at = kRemoteOffset + kRemoteBytes * k;
        record.remotes[k].address = getAddress(block, at);
        record.remotes[k].timeoutValueMs = getTime(block, at + 4);
        record.remotes[k].reconnectTimeMs = getTime(block, at + 6);
    }
    return record;
}

bool isLegalIpAddress(const Ipv4& address) {
    if (address[3] == 255) return false;
    return address != Ipv4{255, 255, 255, 0} && address != Ipv4{127, 0, 0, 1} && address != Ipv4{224, 0, 0, 0};
}

std::optional<IllegalIpAddress> firstIllegalIpAddress(const IpSettingRecord& record) {
    if (!isLegalIpAddress(record.localIp)) return IllegalIpAddress{};
    for (std::size_t row = 0; row < kRemoteIpEntries; ++row)
        if (!isLegalIpAddress(record.remotes[row].address)) return IllegalIpAddress{row};
    return std::nullopt;
}

bool readIpSettingFile(const std::string& path, IpSettingRecord& record) {
    const std::optional<std::vector<uint8_t>> bytes = readRegularFile(path, kIpSettingBlockBytes);
    // A short file is no IP setting at all (most likely a truncated copy);
    // taking it would fill the rest of the record with invented zeros.
    if (!bytes || bytes->size() != kIpSettingBlockBytes) return false;
    record = decodeIpSettingBlock(std::span<const uint8_t, kIpSettingBlockBytes>(bytes->data(), kIpSettingBlockBytes));
    return true;
}

bool writeIpSettingFile(const std::string& path, const IpSettingRecord& record) {
    return writeFileAtomically(path, encodeIpSettingBlock(record));
}

}  // namespace norvik
