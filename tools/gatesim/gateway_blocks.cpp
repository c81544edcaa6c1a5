#include "gateway_blocks.h"

#include <string>
#include <string_view>

namespace gatesim {
namespace {

void putU16BigEndian(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v & 0xFF));
}

void putRecord(std::vector<uint8_t>& out, const ModuleRecord& m) {
    out.push_back(m.deviceId);                            // 0
    out.push_back(m.type);                                // 1
    out.push_back(m.profibusBase);                        // 2
    putU16BigEndian(out, m.internalBase);                 // 3, 4
    out.push_back(m.dataLength);                          // 5
    out.push_back(m.bitsInLastByte);                      // 6
    putU16BigEndian(out, m.modbusStart);                  // 7, 8
    out.push_back(static_cast<uint8_t>(m.tcpIndex - 1));  // 9
    out.push_back(m.wordSwap ? 0x01 : 0x00);              // 10
    out.push_back(0x00);                                  // 11
}

void putText(std::vector<uint8_t>& out, std::string_view text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

std::vector<uint8_t> fileNameReplyWithHeader(const GatewayDescription& d, std::string_view header) {
    std::vector<uint8_t> out;
    putText(out, header, 8);
    out.push_back(d.fileCountOverride ? *d.fileCountOverride : static_cast<uint8_t>(d.fileNames.size()));
    for (const auto& name : d.fileNames) {
        std::string_view head = std::string_view(name).substr(0, 4);
        std::string_view rest = name.size() > 4 ? std::string_view(name).substr(4) : std::string_view();
        putText(out, "File_Name=", 10);
        putText(out, head, 4);
        putText(out, rest, head == "auto" ? 8 : 7);
    }
    return out;
}

}  // namespace

std::vector<uint8_t> parameterBlock(const GatewayDescription& d) {
    std::vector<const ModuleRecord*> records;
    if (d.systemModule) records.push_back(&*d.systemModule);
    for (const auto& m : d.modules) records.push_back(&m);

    std::vector<uint8_t> out;
    out.push_back(d.marker);                                                                          // 0
    out.push_back(d.model == "HX-3410" ? '4' : '5');                                                  // 1
    out.push_back(d.role);                                                                            // 2
    out.push_back(d.format);                                                                          // 3
    out.push_back(d.stopMode);                                                                        // 4
    out.push_back(static_cast<uint8_t>((d.bigEndian ? 0x01 : 0x00) | (d.outputAuto ? 0x02 : 0x00)));  // 5
    out.push_back(d.slaveDeviceId);                                                                   // 6
    putU16BigEndian(out, d.pollIntervalMs);                                                           // 7, 8
    putU16BigEndian(out, d.timeoutMs);                                                                // 9, 10
    // No records at all wraps to 0xFF, as the gateway's own 8-bit count does.
    out.push_back(static_cast<uint8_t>(records.size() - 1));  // 11
    out.push_back(d.tcpConnectCount);                         // 12
    out.insert(out.end(), {0x00, 0x00, 0x00});                // 13..15
    for (const auto* m : records) putRecord(out, *m);
    return out;
}

std::vector<uint8_t> fileNameReply(const GatewayDescription& d) { return fileNameReplyWithHeader(d, "File_NO="); }

std::vector<uint8_t> malformedFileNameReply(const GatewayDescription& d) {
    return fileNameReplyWithHeader(d, "File_N0=");
}

uint32_t safeValueBlockSize(const GatewayDescription& d) {
    if (d.safeValueBytes) return *d.safeValueBytes;
    if (d.model != "HX-3420") return 512;
    uint32_t size = 512;
    for (const auto& name : d.fileNames) {
        if (name.size() < 4 || name.compare(0, 4, "3420") != 0) continue;
        bool small = name.size() > 6 && name[5] == '1' && name[6] >= '0' && name[6] <= '2';
        size = small ? 512 : 976;
    }
    return size;
}

std::vector<uint8_t> initialSafeValueBlock(const GatewayDescription& d) {
    if (d.safeValueBlock) return *d.safeValueBlock;
    return std::vector<uint8_t>(safeValueBlockSize(d), 0xFF);
}

std::vector<uint8_t> factoryIpBlock() {
    std::vector<uint8_t> out{0xC0, 0xA8, 0xFF, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0xC0, 0xA8, 0x00, 0x01};
    for (int k = 0; k < 8; ++k) {
        out.insert(out.end(), {0xC0, 0xA8, 0x00, 0x64});
        putU16BigEndian(out, 1500);
        putU16BigEndian(out, 8000);
    }
    return out;
}

std::vector<uint8_t> initialIpBlock(const GatewayDescription& d) { return d.ipBlock ? *d.ipBlock : factoryIpBlock(); }

}  // namespace gatesim
