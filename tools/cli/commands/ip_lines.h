#pragma once
// The IP setting as norvik-cli prints it, one field a line.

#include <string>
#include <vector>

#include "ipsetting/ip_setting.h"

namespace norvik::cli {

inline std::vector<std::string> ipSettingLines(const IpSettingRecord& r) {
    auto dotted = [](const Ipv4& a) {
        return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
               std::to_string(a[3]);
    };
    std::vector<std::string> lines{"Local IP: " + dotted(r.localIp), "Subnet mask: " + dotted(r.subnetMask),
                                   "Gateway: " + dotted(r.gateway)};
    for (std::size_t i = 0; i < r.remotes.size(); ++i) {
        const RemoteIpEntry& e = r.remotes[i];
        lines.push_back("Remote " + std::to_string(i + 1) + ": " + dotted(e.address) + ", time-out " +
                        std::to_string(e.timeoutValueMs) + " ms, reconnect " + std::to_string(e.reconnectTimeMs) +
                        " ms");
    }
    return lines;
}

}  // namespace norvik::cli
