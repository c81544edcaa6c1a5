#pragma once
// What Norvik holds after reading the gateway that a simulator description
// describes: the simulator lays out the parameter block, the file-name reply
// and the two settings blocks, and Norvik's own decoders read them, as they do
// over the wire.

#include <span>
#include <vector>

#include "description.h"
#include "firmware/file_names.h"
#include "gateway_blocks.h"
#include "model/parameter_block.h"
#include "report/report_source.h"
#include "safevalue/safe_value_layout.h"

namespace norvik::test {

inline ReportSource describedGateway(const gatesim::GatewayDescription& d) {
    ReportSource source;
    const std::vector<uint8_t> block = gatesim::parameterBlock(d);
    const std::span<const uint8_t> bytes(block);
    decodeParameterBlock(bytes.first(kHeaderBytes), bytes.subspan(kHeaderBytes), source.config);

    const std::vector<uint8_t> reply = gatesim::fileNameReply(d);
    FileNameReply names;
    FileNameReplyDecoder decoder(names);
    std::size_t at = 0;
    while (!decoder.done()) {
        const std::size_t n = std::min(decoder.nextChunkBytes(), reply.size() - at);
        decoder.feed(std::span<const uint8_t>(reply).subspan(at, n));
        at += n;
    }
    source.fileNames = names.names;
    source.fileCount = names.fileCount;

    const SafeValueLayout layout =
        chooseSafeValueLayout(source.config.modelName, source.fileNames, SafeValueLayout::Block512);
    source.safeValues = ReportSafeValues{layout, gatesim::initialSafeValueBlock(d)};
    if (source.config.modelName == kModelHx3420) {
        const std::vector<uint8_t> ip = gatesim::initialIpBlock(d);
        source.ipSetting =
            decodeIpSettingBlock(std::span<const uint8_t, kIpSettingBlockBytes>(ip.data(), kIpSettingBlockBytes));
    }
    source.origin = "/dev/pts/7";
    source.date = "2026-12-07 10:00";
    source.norvikVersion = "1.5";
    return source;
}

}  // namespace norvik::test
