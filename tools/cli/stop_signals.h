#pragma once
// SIGINT and SIGTERM taken on a thread of their own: a signal handler may do
// next to nothing, and ending a link needs locks and a wake-up of its port.

#include <functional>
#include <thread>

namespace norvik::cli {

class StopSignals {
public:
    // Blocks both signals in the calling thread and every thread it starts
    // later, so construct it before any other thread. `onSignal` runs on the
    // watcher thread with the signal's number.
    explicit StopSignals(std::function<void(int)> onSignal);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void watch();

    std::function<void(int)> onSignal_;
    int signalFd_ = -1;
    int wakeFd_ = -1;
    std::thread watcher_;
};

}  // namespace norvik::cli
