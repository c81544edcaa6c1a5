#include "link/headless_link.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "serial/routed_port.h"

namespace norvik {

// The window's part, without a window: the poll timer is a flag the loop
// reads; of the rest only what tells how the link came up is kept.
class HeadlessLink::Ui : public LinkUi {
public:
    void setLinkStatus(LinkStatus status, uint32_t code) override {
        linkStatus = status;
        if (status == LinkStatus::OpenError) openError = static_cast<uint16_t>(code);
    }
    void setOperation(Operation) override {}
    void setProgress(int) override {}
    void setPortLamp(bool) override {}
    void setModuleLamp(bool) override {}
    void setConnectionMenu(bool, bool) override {}
    void setIpSettingMenu(bool) override {}
    void setPortBoxesEnabled(bool) override {}
    void rebuildTree() override {}
    void clearTree() override {}
    void resetList() override {}
    void showNotice(LinkNotice) override {}
    bool startPollTimer() override {
        polling = true;
        return true;
    }
    void stopPollTimer() override { polling = false; }
    void startAnimationTimer() override {}
    void stopAnimationTimer() override {}

    bool polling = false;
    LinkStatus linkStatus = LinkStatus::PortClosed;
    uint16_t openError = 0;
};

namespace {

// At the tick a block announced by a line is read a tick after the line came
// at the latest, so a gateway that sends it late, or a server on the network
// that hands it on in pieces, still gets it through. As answered, the block is
// read the moment its line is: the receives of the tick after a line share
// what is left of that tick on top of their own time-outs, and the same
// gateway ends the same way, only sooner.
class TickPatientPort : public SerialPort {
public:
    TickPatientPort(std::unique_ptr<SerialPort> port, std::chrono::milliseconds tick)
        : port_(std::move(port)), tick_(tick) {}

    uint16_t openPort(const PortSettings& settings) override { return port_->openPort(settings); }
    uint32_t closePort(uint8_t port) override { return port_->closePort(port); }
    void sendLine(uint8_t port, std::string_view text) override { port_->sendLine(port, text); }
    void sendBlock(uint8_t port, std::span<const uint8_t> bytes) override { port_->sendBlock(port, bytes); }
    std::string receiveLine(uint8_t port, uint16_t timeoutMs) override {
        std::string line = port_->receiveLine(port, timeoutMs);
        if (!line.empty()) lineTaken();
        return line;
    }
    bool takeLine(uint8_t port, uint16_t timeoutMs, std::string& line) override {
        const bool taken = port_->takeLine(port, timeoutMs, line);
        if (taken) lineTaken();
        return taken;
    }
    bool waitForLine(uint8_t port, uint16_t timeoutMs) override { return port_->waitForLine(port, timeoutMs); }
    BlockReceipt receiveBlock(uint8_t port, std::span<uint8_t> buffer, uint16_t timeoutMs) override {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            Clock::time_point(Clock::duration(slackEnd_.load())) - Clock::now());
        if (left.count() > 0) timeoutMs = static_cast<uint16_t>(std::min<int64_t>(timeoutMs + left.count(), 0xFFFF));
        return port_->receiveBlock(port, buffer, timeoutMs);
    }
    void cancelWaits() override { port_->cancelWaits(); }
    bool drainOutput(uint8_t port, uint16_t timeoutMs) override { return port_->drainOutput(port, timeoutMs); }
    void resumeWaits() override { port_->resumeWaits(); }
    uint32_t deviceError() const override { return port_->deviceError(); }

private:
    using Clock = std::chrono::steady_clock;
    void lineTaken() { slackEnd_ = (Clock::now() + tick_).time_since_epoch().count(); }

    std::unique_ptr<SerialPort> port_;
    std::chrono::milliseconds tick_;
    // Set on the loop's thread, read on the worker's that receives the block.
    std::atomic<Clock::rep> slackEnd_{0};
};

std::unique_ptr<SerialPort> patientAsAnswered(std::unique_ptr<SerialPort> port, std::chrono::milliseconds tick,
                                              DialoguePace pace) {
    if (pace != DialoguePace::AsAnswered) return port;
    return std::make_unique<TickPatientPort>(std::move(port), tick);
}

}  // namespace

HeadlessLink::HeadlessLink(DialoguePace pace)
    : HeadlessLink(std::make_unique<RoutedSerialPort>(), std::chrono::seconds(1), pace) {}

HeadlessLink::HeadlessLink(std::unique_ptr<SerialPort> port, std::chrono::milliseconds tick, DialoguePace pace)
    : port_(patientAsAnswered(std::move(port), tick, pace)), tick_(tick), ui_(std::make_unique<Ui>()) {
    DialogueHooks hooks;
    hooks.post = [this](std::function<void()> call) { post(std::move(call)); };
    dialogue_ = std::make_unique<ConsoleDialogue>(session_, config_, ipSetting_, *port_, *ui_, std::move(hooks), pace);
}

bool HeadlessLink::watchesPort() const {
    // While a worker runs the port is its, and its notice comes as posted work.
    return dialogue_->pace() == DialoguePace::AsAnswered && ui_->polling && session_.portOpen &&
           !dialogue_->workerBusy();
}

HeadlessLink::~HeadlessLink() {
    close();
    // Joins a worker still receiving; what it posts finds the queue unread.
    dialogue_.reset();
}

void HeadlessLink::post(std::function<void()> call) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(call));
    }
    wake_.notify_one();
}

void HeadlessLink::interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    // A receive or a send under way returns at once, on the loop's thread or a worker's.
    port_->cancelWaits();
    wake_.notify_all();
}

bool HeadlessLink::runUntil(const std::function<bool()>& done, int ticks) {
    using Steady = std::chrono::steady_clock;
    auto nextTick = Steady::now() + tick_;
    for (;;) {
        if (interrupted_) return false;
        if (done()) return true;
        std::function<void()> call;
        // Only the loop posts while no worker runs, so nothing posted can be
        // missed while the loop waits on the port instead.
        const bool watch = watchesPort();
        {
            std::unique_lock lock(mutex_);
            if (!watch) wake_.wait_until(lock, nextTick, [&] { return interrupted_ || !posted_.empty(); });
            if (interrupted_) return false;
            if (!posted_.empty()) {
                call = std::move(posted_.front());
                posted_.pop_front();
            }
        }
        if (call) {
            call();
            continue;
        }
        if (watch && Steady::now() < nextTick) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(nextTick - Steady::now());
            const bool line = port_->waitForLine(session_.portNumber, static_cast<uint16_t>(left.count()));
            // A device that went away ends the link from inside the dialogue.
            if (line || port_->deviceError() != 0) {
                dialogue_->onLinesArrived();
            } else {
                // Cancelled, or a port that cannot wait: the tick is next.
                std::unique_lock lock(mutex_);
                wake_.wait_until(lock, nextTick, [&] { return interrupted_.load(); });
            }
            continue;
        }
        if (Steady::now() < nextTick) continue;
        if (ticks-- <= 0) return false;
        nextTick += tick_;
        if (ui_->polling) dialogue_->onPollTimer();
    }
}

HeadlessLink::Pending HeadlessLink::submit(Job job, const JobProgressHook& progress) {
    // Shared with the callback: a job cancelled here still delivers its
    // outcome later, when the frame that asked is gone.
    Pending pending{0, job.kind, std::make_shared<std::optional<JobResult>>()};
    pending.id = dialogue_->submit(
        std::move(job), [result = pending.result](const JobResult& r) { *result = r; }, progress);
    return pending;
}

JobResult HeadlessLink::await(const Pending& pending, int ticks) {
    if (!runUntil([&] { return pending.result->has_value(); }, ticks)) {
        dialogue_->cancel(pending.id);
        JobResult ended;
        ended.kind = pending.kind;
        ended.outcome = interrupted_ ? JobOutcome::Cancelled : JobOutcome::NoAnswer;
        return ended;
    }
    return **pending.result;
}

LinkOpening HeadlessLink::open(const PortSettings& settings, const JobProgressHook& progress) {
    LinkOpening opening;
    if (interrupted_) {
        opening.outcome = LinkOpenOutcome::Interrupted;
        return opening;
    }
    dialogue_->connect(settings);
    if (!session_.portOpen) {
        opening.outcome = LinkOpenOutcome::PortError;
        opening.openError = ui_->openError;
        return opening;
    }
    // The dialogue reads both after Connect on its own; jobs queued before
    // the gateway's first answer ride along instead of asking again.
    const Pending parameters = submit(Job::read(JobKind::ReadParameters), progress);
    const Pending names = submit(Job::read(JobKind::ReadFileNames), progress);
    if (progress) progress({JobKind::ReadParameters, 0, 0});
    const auto giveUp = [&](LinkOpenOutcome outcome) {
        opening.outcome = interrupted_ ? LinkOpenOutcome::Interrupted : outcome;
        close();
        return opening;
    };
    // The gateway answers the prompt within a tick or not at all.
    if (!runUntil([&] { return session_.linkState != LinkState::NotConnected; }, kAnswerTicks))
        return giveUp(LinkOpenOutcome::NoAnswer);

    const JobResult block = await(parameters, kOpenTicks);
    if (!block.done() || !block.config)
        return giveUp(block.outcome == JobOutcome::BlockIncomplete ? LinkOpenOutcome::Incomplete
                                                                   : LinkOpenOutcome::NoAnswer);
    opening.config = *block.config;
    opening.parameterBlock = block.raw;

    const JobResult reply = await(names, kOpenTicks);
    if (reply.outcome == JobOutcome::Cancelled || reply.outcome == JobOutcome::LinkLost)
        return giveUp(LinkOpenOutcome::NoAnswer);
    if (reply.outcome == JobOutcome::NoAnswer) {
        // A firmware that does not know the query, or a gateway that has gone
        // silent: the next prompts tell which.
        if (runUntil([&] { return session_.linkState == LinkState::NotConnected; }, kAnswerTicks))
            return giveUp(LinkOpenOutcome::NoAnswer);
        if (interrupted_) return giveUp(LinkOpenOutcome::Interrupted);
    }
    // Without the names the layout stays the default one, as in the window;
    // a reply that broke off decides nothing.
    opening.fileNamesRead = reply.done();
    opening.fileNamesIncomplete = reply.outcome == JobOutcome::BlockIncomplete;
    opening.fileNames = reply.fileNames;
    opening.fileCount = reply.fileCount;
    opening.fileNameReply = reply.raw;
    opening.safeValueLayout = reply.done() ? reply.safeValueLayout : session_.safeValueLayout;
    opening.outcome = LinkOpenOutcome::Ready;
    return opening;
}

JobResult HeadlessLink::run(Job job, const JobProgressHook& progress) {
    if (interrupted_) {
        JobResult cancelled;
        cancelled.kind = job.kind;
        cancelled.outcome = JobOutcome::Cancelled;
        return cancelled;
    }
    return await(submit(std::move(job), progress), kJobTicks);
}

void HeadlessLink::close() {
    if (session_.portOpen) dialogue_->disconnect();
    // Outcomes posted for the link that ended are delivered to nobody.
    std::lock_guard lock(mutex_);
    posted_.clear();
}

}  // namespace norvik
