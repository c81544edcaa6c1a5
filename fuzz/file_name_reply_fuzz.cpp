// Bytes as the gateway might send them after "send file name to com", through
// the file-name worker and on to what the firmware dialog and the safe-value
// layout make of the list.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "firmware/file_names.h"
#include "link/block_receivers.h"
#include "support/fake_port.h"
#include "model/gateway_config.h"
#include "safevalue/safe_value_layout.h"

namespace {

void require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace norvik;
    test::FakePort port;
    port.queueBytes(std::span(data, size));

    const std::string old = "old";
    FileNameReply reply;
    reply.names.fill(old);
    reply.fileCount = 7;
    fileNameWorker(port, 1, 115200, reply);

    require(reply.fileCount <= kFileNameSlots);
    if (!reply.failed) require(reply.fileCount == (size > 8 ? data[8] : 0));
    for (std::size_t i = 0; i < kFileNameSlots; ++i) {
        // 4 characters after "File_Name=" and at most 8 more.
        require(reply.names[i].size() <= 12);
        if (i >= reply.fileCount) require(reply.names[i] == old);
    }

    const FirmwareDisplay shown = selectFirmwareFile(
        reply.failed ? FirmwareQueryState::ReceiveError : FirmwareQueryState::Received, reply.names, reply.fileCount);
    require(shown.version.size() <= 3);
    const SafeValueLayout layout = chooseSafeValueLayout(kModelHx3420, reply.names, SafeValueLayout::Block512);
    require(layout == SafeValueLayout::Block512 || layout == SafeValueLayout::Block976);
    return 0;
}
