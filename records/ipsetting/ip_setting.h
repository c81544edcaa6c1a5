#pragma once
// The HX-3420's IP setting: record and 76-byte block, which is also the whole *.ptm file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace norvik {

using Ipv4 = std::array<uint8_t, 4>;  // octet 1 (leftmost in dotted notation) first

struct RemoteIpEntry {
    Ipv4 address{};
    uint32_t timeoutValueMs = 0;
    uint32_t reconnectTimeMs = 0;
};

inline constexpr std::size_t kRemoteIpEntries = 8;
inline constexpr std::size_t kIpSettingBlockBytes = 76;

struct IpSettingRecord {
    Ipv4 localIp{};
    Ipv4 subnetMask{};
    Ipv4 gateway{};
    std::array<RemoteIpEntry, kRemoteIpEntries> remotes{};
    bool operator==(const IpSettingRecord&) const = default;
};
inline bool operator==(const RemoteIpEntry& a, const RemoteIpEntry& b) {
    return a.address == b.address && a.timeoutValueMs == b.timeoutValueMs && a.reconnectTimeMs == b.reconnectTimeMs;
}

using IpSettingBlock = std::array<uint8_t, kIpSettingBlockBytes>;

void setDefaultIpSetting(IpSettingRecord& record);
IpSettingBlock encodeIpSettingBlock(const IpSettingRecord& record);
IpSettingRecord decodeIpSettingBlock(std::span<const uint8_t, kIpSettingBlockBytes> block);
bool isLegalIpAddress(const Ipv4& address);

// An address the gateway must not be given. The local IP and the eight remote
// IPs are checked, in that order; the mask and the gateway never are.
struct IllegalIpAddress {
    std::optional<std::size_t> remoteRow;  // from 0; nothing for the local IP
    bool operator==(const IllegalIpAddress&) const = default;
};
// The first illegal address of the record, or nothing when it may be sent.
// Every way of sending an IP setting asks this before a byte goes out.
std::optional<IllegalIpAddress> firstIllegalIpAddress(const IpSettingRecord& record);

// File of exactly one block. Reading fails (record unchanged) when the file
// does not open, is no regular file or holds fewer than 76 bytes; bytes after
// the 76th are ignored. Writing replaces the file whole or not at all: it
// fails, keeping the old file, when the new one cannot be created or written
// or when the name belongs to something other than a regular file.
bool readIpSettingFile(const std::string& path, IpSettingRecord& record);
bool writeIpSettingFile(const std::string& path, const IpSettingRecord& record);

}  // namespace norvik
