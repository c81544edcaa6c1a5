#pragma once
// The link state that the main window shows and the console dialogue keeps.
// The dialogue's own copy lives on the link's thread; the window holds the
// copies the link hands it.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "firmware/file_names.h"
#include "safevalue/safe_value_layout.h"

namespace norvik {

enum class LinkState : uint8_t { NotConnected = 0, Connected = 1, LoadingParameters = 2 };

struct LinkSession {
    // The open port and its baud rate; every time-out is computed from the baud rate.
    uint8_t portNumber = 1;
    uint32_t baud = 115200;

    bool portOpen = false;
    LinkState linkState = LinkState::NotConnected;
    bool parameterLoaded = false;
    uint8_t missCount = 0;
    bool accessErrorShown = false;

    // The file-name query every Connect makes is still to come; until it has
    // been answered the safe-value layout is not known.
    bool firmwareAutoQuery = true;
    SafeValueLayout safeValueLayout = SafeValueLayout::Block512;
    FileNameList firmwareFileNames{};
    uint8_t fileCount = 0;
    // The names above came whole in the last reply of this link, so the
    // firmware dialog can show them without asking again.
    bool fileNamesReceived = false;
    // The last safe-value block read whole from the gateway, for the report.
    std::vector<uint8_t> safeValueBytes;

    // The last parameter block and file-name reply that came whole, byte for
    // byte as they came over the wire: a backup keeps exactly what the gateway sent.
    std::vector<uint8_t> parameterBlockRaw;
    std::vector<uint8_t> fileNameReplyRaw;

    bool operator==(const LinkSession&) const = default;
};

}  // namespace norvik
