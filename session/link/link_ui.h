#pragma once
// What the console dialogue asks of the main window. The window implements it
// with widgets and timers; tests implement it with a recorder and drive the
// ticks themselves.

#include <cstdint>
#include <string_view>

namespace norvik {

class LinkUi {
public:
    virtual ~LinkUi() = default;

    // Status line: part 0, part 1 and the progress bar (0..9).
    virtual void setLinkText(std::string_view text) = 0;
    virtual void setOperationText(std::string_view text) = 0;
    virtual void setProgress(int step) = 0;

    virtual void setPortLamp(bool green) = 0;
    virtual void setModuleLamp(bool green) = 0;

    // Menu: Connect / Disconnect, and the three "IP setting" items.
    virtual void setConnectionMenu(bool connectEnabled, bool disconnectEnabled) = 0;
    virtual void setIpSettingMenu(bool enabled) = 0;
    virtual void setPortBoxesEnabled(bool enabled) = 0;

    // Module tree and parameter list.
    virtual void rebuildTree() = 0;
    virtual void clearTree() = 0;
    virtual void resetList() = 0;

    // A modal box with an OK button; returns when it is closed.
    virtual void showMessage(std::string_view title, std::string_view text) = 0;
    // Opens the firmware dialog modally; returns when it is closed.
    virtual void openFirmwareDialog() = 0;

    // Timers: poll every 1000 ms, animation every 100 ms. startPollTimer returns
    // false when no timer could be had.
    virtual bool startPollTimer() = 0;
    virtual void stopPollTimer() = 0;
    virtual void startAnimationTimer() = 0;
    virtual void stopAnimationTimer() = 0;

    // Called on a worker thread as its last action. The implementation must
    // hand the ticket to ConsoleDialogue::onWorkerDone on the user-interface
    // thread (a queued call in the window).
    virtual void postWorkerDone(uint64_t ticket) = 0;
};

}  // namespace norvik
