#pragma once
// A window stand-in that records what the dialogue shows and never blocks.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "link/dialogue_hooks.h"
#include "link/link_ui.h"

namespace norvik {

// For failure messages: the states by number.
inline std::ostream& operator<<(std::ostream& os, LinkStatus s) { return os << "LinkStatus " << int(s); }
inline std::ostream& operator<<(std::ostream& os, Operation o) { return os << "Operation " << int(o); }
inline std::ostream& operator<<(std::ostream& os, LinkNotice n) { return os << "LinkNotice " << int(n); }

}  // namespace norvik

namespace norvik::test {

class RecordingUi : public LinkUi {
public:
    LinkStatus linkStatus = LinkStatus::PortClosed;
    uint32_t linkCode = 0;
    Operation operation = Operation::None;
    std::vector<Operation> operations;
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
    std::vector<LinkNotice> notices;
    int firmwareDialogs = 0;
    bool pollTimerRunning = false;
    bool pollTimerAvailable = true;
    bool animationTimerRunning = false;
    // Run while the "modal" firmware dialog is open, to model ticks during it.
    std::function<void()> whileFirmwareDialogOpen;

    void setLinkStatus(LinkStatus status, uint32_t code) override {
        linkStatus = status;
        linkCode = code;
    }
    void setOperation(Operation op) override {
        operation = op;
        operations.push_back(op);
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
    void showNotice(LinkNotice notice) override { notices.push_back(notice); }
    bool startPollTimer() override {
        pollTimerRunning = pollTimerAvailable;
        return pollTimerAvailable;
    }
    void stopPollTimer() override { pollTimerRunning = false; }
    void startAnimationTimer() override { animationTimerRunning = true; }
    void stopAnimationTimer() override { animationTimerRunning = false; }

    // The test's loop: what the dialogue posts waits here until the test runs it.
    DialogueHooks hooks(WorkerRunner* runner = nullptr, const Clock* clock = nullptr) {
        DialogueHooks h;
        h.post = [this](std::function<void()> work) {
            {
                std::lock_guard lock(mutex_);
                posted_.push_back(std::move(work));
                waiting_.store(posted_.size());
            }
            cv_.notify_all();
        };
        if (clock) h.clock = clock;
        h.runner = runner;
        return h;
    }
    // The next posted piece of work, waiting for a worker to post it up to `timeout`.
    std::function<void()> takePosted(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        // A zero wait only looks, and with nothing posted not even under the
        // lock: a single-threaded run (the fuzz target) looks after every step.
        // A timed wait would still go to the kernel.
        if (timeout.count() <= 0 && waiting_.load() == 0) return {};
        std::unique_lock lock(mutex_);
        const auto ready = [&] { return !posted_.empty(); };
        if (timeout.count() <= 0 ? !ready() : !cv_.wait_for(lock, timeout, ready)) return {};
        std::function<void()> work = std::move(posted_.front());
        posted_.pop_front();
        waiting_.store(posted_.size());
        return work;
    }
    // Runs the next posted piece; false when none came within `timeout`.
    bool runPosted(std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::function<void()> work = takePosted(timeout);
        if (!work) return false;
        work();
        return true;
    }
    // Runs what has been posted so far, and what that posts in turn.
    int runAllPosted() {
        int n = 0;
        while (runPosted(std::chrono::milliseconds(0))) ++n;
        return n;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> posted_;
    // How many are posted, for a look without the lock.
    std::atomic<std::size_t> waiting_{0};
};

}  // namespace norvik::test
