#pragma once
// What the console dialogue is handed by whoever runs it: a way to hand work
// back to the thread that owns the dialogue, a clock, and a way to run the
// block receivers. The window gives its event loop, the steady clock and real
// threads; a command-line tool its own loop; a test its queue, and may run the
// receivers inline so that nothing runs beside the test.

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

namespace norvik {

// Runs `work` later on the dialogue's thread. Called from worker threads too;
// the implementation must be thread-safe and must not run `work` at once.
using PostHook = std::function<void(std::function<void()>)>;

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint64_t nowMs() const = 0;
};

class SteadyClock final : public Clock {
public:
    uint64_t nowMs() const override {
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count());
    }
    static SteadyClock& instance() {
        static SteadyClock clock;
        return clock;
    }
};

// Where a block receiver runs. At most one runs at a time; join() returns once
// it has ended (the dialogue cuts its waits first when it must not wait long).
class WorkerRunner {
public:
    virtual ~WorkerRunner() = default;
    virtual void start(std::function<void()> work) = 0;
    virtual void join() = 0;
    virtual bool running() const = 0;
};

class ThreadRunner final : public WorkerRunner {
public:
    ~ThreadRunner() override { join(); }
    void start(std::function<void()> work) override {
        join();
        thread_ = std::thread(std::move(work));
    }
    void join() override {
        if (thread_.joinable()) thread_.join();
    }
    bool running() const override { return thread_.joinable(); }

private:
    std::thread thread_;
};

// Runs the receiver to its end inside start(): with a port that never waits
// for real time, the dialogue then runs on one thread.
class InlineRunner final : public WorkerRunner {
public:
    void start(std::function<void()> work) override { work(); }
    void join() override {}
    bool running() const override { return false; }
};

struct DialogueHooks {
    PostHook post;
    const Clock* clock = &SteadyClock::instance();
    // Null: a thread of the dialogue's own.
    WorkerRunner* runner = nullptr;
};

}  // namespace norvik
