#pragma once
// The link state that the main window, the console dialogue, the workers and
// the settings dialogs share. One instance per program.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "firmware/file_names.h"

namespace norvik {

enum class LinkState : uint8_t { NotConnected = 0, Connected = 1, LoadingParameters = 2 };

// Request and result codes of a safe-value or IP-setting transfer (4 is unused).
namespace Transfer {
inline constexpr uint8_t Idle = 0;
inline constexpr uint8_t OpenedNew = 1;
inline constexpr uint8_t OpenedFromFile = 2;
inline constexpr uint8_t OpenedFromDevice = 3;
inline constexpr uint8_t SendRequested = 5;
inline constexpr uint8_t SendFinished = 6;
inline constexpr uint8_t SendError = 7;
inline constexpr uint8_t SaveError = 8;
inline constexpr uint8_t LoadRequested = 9;
inline constexpr uint8_t ReceiveFinished = 10;
inline constexpr uint8_t ReceiveError = 11;
inline constexpr uint8_t ReadError = 12;
}  // namespace Transfer

struct LinkSession {
    // The open port and its baud rate; every time-out is computed from the baud rate.
    uint8_t portNumber = 1;
    uint32_t baud = 115200;

    bool portOpen = false;
    LinkState linkState = LinkState::NotConnected;
    bool parameterLoaded = false;
    bool workerBusy = false;
    bool animating = false;
    bool parameterPending = false;
    bool fileNamePending = false;
    uint8_t missCount = 0;
    bool accessErrorShown = false;
    // Ticks in a row that a pending safe-value request has kept quiet.
    uint8_t quietTicks = 0;

    // Request and result codes shared with the dialogs. A worker's outcome is
    // installed by onWorkerDone, so a worker never writes them itself.
    std::atomic<uint8_t> safeValueTransfer{Transfer::Idle};
    std::atomic<uint8_t> ipSettingTransfer{Transfer::Idle};
    std::atomic<uint8_t> firmwareQuery{static_cast<uint8_t>(FirmwareQueryState::Idle)};

    bool firmwareAutoQuery = true;
    uint32_t safeValueLayout = 1;  // 1 = 512-byte safe-value block, 0 = 976-byte
    FileNameList firmwareFileNames{};
    uint8_t fileCount = 0;
    std::vector<uint8_t> safeValueBytes;
    uint8_t progressStep = 0;

    FirmwareQueryState firmwareState() const {
        return static_cast<FirmwareQueryState>(firmwareQuery.load());
    }
    void setFirmwareState(FirmwareQueryState s) { firmwareQuery.store(static_cast<uint8_t>(s)); }
};

}  // namespace norvik
