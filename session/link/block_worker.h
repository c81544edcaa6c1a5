#pragma once
// The exchange rules' receiver of a load's block: one at a time, on the
// worker runner it is given (a thread of its own without one). A receiver
// fills a result of its own; the rules take it back on their thread with the
// ticket the worker's notice carries, so that the notice of a receiver cut
// short or of a link that has since ended finds nothing.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "firmware/file_names.h"
#include "ipsetting/ip_setting.h"
#include "link/block_receivers.h"
#include "link/dialogue_hooks.h"
#include "model/gateway_config.h"
#include "serial/serial_port.h"

namespace norvik {

class BlockWorker {
public:
    enum class Kind : uint8_t { Parameter, SafeValue, IpSetting, FileName };
    struct Result {
        Kind kind = Kind::Parameter;
        std::unique_ptr<GatewayConfig> config;  // the parameter receiver's alone: it is large
        std::vector<uint8_t> safeValueBytes;
        IpSettingRecord ipSetting;
        FileNameReply fileNames;
        ReceiveOutcome outcome;
    };
    // Where a receive is read from and how long it may wait.
    struct Line {
        uint8_t portNumber = 0;
        uint32_t baud = 0;
        uint32_t safeValueBytes = 0;
    };
    // Told on the owner's thread, through `post`, that the worker with `ticket` has ended.
    using Notice = std::function<void(uint64_t ticket)>;

    BlockWorker(SerialPort& port, WorkerRunner* runner, PostHook post, Notice notice);
    ~BlockWorker();
    BlockWorker(const BlockWorker&) = delete;
    BlockWorker& operator=(const BlockWorker&) = delete;

    // Starts the receiver of `result->kind` into `result`, whose inputs the
    // caller has set (the configuration or names a block adds to).
    void start(std::unique_ptr<Result> result, Line line, ReceiveProgress progress);
    // The result of the worker with `ticket`, once it has ended; null for a
    // stale ticket or one already taken.
    std::unique_ptr<Result> take(uint64_t ticket);
    // Cuts a running receiver short and joins it; its result is dropped. True
    // when one had been started and not taken.
    bool stop();
    // A receiver was started and its result has not been taken: the port is its.
    bool busy() const { return result_ != nullptr; }
    bool running() const { return runner_->running(); }

private:
    // On the worker's thread.
    void receive(uint64_t ticket);

    SerialPort& port_;
    ThreadRunner ownRunner_;
    WorkerRunner* runner_;
    PostHook post_;
    Notice notice_;
    // Posted notices check it, so that none runs into a worker that has gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::unique_ptr<Result> result_;
    uint64_t ticket_ = 0;  // the ticket of the receiver now running or last started
    Line line_;
    ReceiveProgress progress_;
};

}  // namespace norvik
