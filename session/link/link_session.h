#pragma once
// The link state that the main window, the console dialogue, the workers and
// the settings dialogs share. One instance per program.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "firmware/file_names.h"
#include "safevalue/safe_value_layout.h"

namespace norvik {

enum class LinkState : uint8_t { NotConnected = 0, Connected = 1, LoadingParameters = 2 };

// Request and result codes of a safe-value or IP-setting transfer, as the
// dialogs and the dialogue exchange them (4 is unused).
enum class TransferState : uint8_t {
    Idle = 0,
    OpenedNew = 1,         // the dialog was opened by "New setting"
    OpenedFromFile = 2,    // ... by "Load from file"
    OpenedFromDevice = 3,  // ... by "Load from device"
    SendRequested = 5,
    SendFinished = 6,
    SendError = 7,
    SaveError = 8,
    LoadRequested = 9,
    ReceiveFinished = 10,
    ReceiveError = 11,
    ReadError = 12,
};

// One transfer code shared by the user-interface thread and a worker: a single
// byte, written and read whole.
class TransferCell {
public:
    TransferCell() = default;
    explicit TransferCell(TransferState state) : code_(static_cast<uint8_t>(state)) {}
    TransferCell(const TransferCell&) = delete;
    TransferCell& operator=(const TransferCell&) = delete;

    TransferState load() const { return static_cast<TransferState>(code_.load()); }
    void store(TransferState state) { code_.store(static_cast<uint8_t>(state)); }
    TransferCell& operator=(TransferState state) {
        store(state);
        return *this;
    }
    operator TransferState() const { return load(); }
    bool operator==(TransferState state) const { return load() == state; }

private:
    std::atomic<uint8_t> code_{0};
};

struct LinkSession {
    // The open port and its baud rate; every time-out is computed from the baud rate.
    uint8_t portNumber = 1;
    uint32_t baud = 115200;

    bool portOpen = false;
    LinkState linkState = LinkState::NotConnected;
    bool parameterLoaded = false;
    uint8_t missCount = 0;
    bool accessErrorShown = false;

    // Request and result codes of the settings dialogs that still ask by code
    // rather than by job; the dialogue writes a result only into an exchange
    // such a code started.
    TransferCell safeValueTransfer;
    TransferCell ipSettingTransfer;
    // Ticks the IP-setting dialog has waited for a send's verdict; the menu
    // command that opens the dialog clears it, a time-out clears it again.
    uint8_t ipSendWaitTicks = 0;
    std::atomic<uint8_t> firmwareQuery{static_cast<uint8_t>(FirmwareQueryState::Idle)};

    bool firmwareAutoQuery = true;
    SafeValueLayout safeValueLayout = SafeValueLayout::Block512;
    FileNameList firmwareFileNames{};
    uint8_t fileCount = 0;
    std::vector<uint8_t> safeValueBytes;

    // The last parameter block and file-name reply that came whole, byte for
    // byte as they came over the wire: a backup keeps exactly what the gateway sent.
    std::vector<uint8_t> parameterBlockRaw;
    std::vector<uint8_t> fileNameReplyRaw;

    FirmwareQueryState firmwareState() const {
        return static_cast<FirmwareQueryState>(firmwareQuery.load());
    }
    void setFirmwareState(FirmwareQueryState s) { firmwareQuery.store(static_cast<uint8_t>(s)); }
};

}  // namespace norvik
