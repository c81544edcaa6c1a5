#pragma once
// A window stand-in that records what the dialogue shows and never blocks.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/link_ui.h"

namespace norvik::test {

class RecordingUi : public LinkUi {
public:
    struct Message {
        std::string title;
        std::string text;
    };

    std::string linkText;
    std::string operationText;
    std::vector<std::string> operationTexts;
    int progress = 0;
    bool portLamp = false;
    bool moduleLamp = false;
    bool connectEnabled = true;
    bool disconnectEnabled = false;
    bool ipMenuEnabled = false;
    bool portBoxesEnabled = true;
    int rebuilds = 0;
    int clears = 0;
    int resets = 0;
    std::vector<Message> messages;
    int firmwareDialogs = 0;
    bool pollTimerRunning = false;
    bool pollTimerAvailable = true;
    bool animationTimerRunning = false;
    // Run while the "modal" firmware dialog is open, to model ticks during it.
    std::function<void()> whileFirmwareDialogOpen;

    void setLinkText(std::string_view text) override { linkText = text; }
    void setOperationText(std::string_view text) override {
        operationText = text;
        operationTexts.emplace_back(text);
    }
    void setProgress(int step) override { progress = step; }
    void setPortLamp(bool green) override { portLamp = green; }
    void setModuleLamp(bool green) override { moduleLamp = green; }
    void setConnectionMenu(bool c, bool d) override {
        connectEnabled = c;
        disconnectEnabled = d;
    }
    void setIpSettingMenu(bool enabled) override { ipMenuEnabled = enabled; }
    void setPortBoxesEnabled(bool enabled) override { portBoxesEnabled = enabled; }
    void rebuildTree() override { ++rebuilds; }
    void clearTree() override { ++clears; }
    void resetList() override { ++resets; }
    void showMessage(std::string_view title, std::string_view text) override {
        messages.push_back({std::string(title), std::string(text)});
    }
    void openFirmwareDialog() override {
        ++firmwareDialogs;
        if (whileFirmwareDialogOpen) whileFirmwareDialogOpen();
    }
    bool startPollTimer() override {
        pollTimerRunning = pollTimerAvailable;
        return pollTimerAvailable;
    }
    void stopPollTimer() override { pollTimerRunning = false; }
    void startAnimationTimer() override { animationTimerRunning = true; }
    void stopAnimationTimer() override { animationTimerRunning = false; }

    void postWorkerDone(uint64_t ticket) override {
        {
            std::lock_guard lock(mutex_);
            tickets_.push_back(ticket);
        }
        cv_.notify_all();
    }
    // The next posted ticket, waiting for the worker up to `timeout`.
    std::optional<uint64_t> takeWorkerDone(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [&] { return !tickets_.empty(); })) return std::nullopt;
        const uint64_t t = tickets_.front();
        tickets_.pop_front();
        return t;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<uint64_t> tickets_;
};

}  // namespace norvik::test
