#include "link/headless_link.h"

#include <utility>

#include "link/console_texts.h"
#include "serial/termios_port.h"

namespace norvik {

// The window's part, without a window: timers are flags the loop reads, the
// workers' notices are posted to the loop, the rest is kept for the outcome.
class HeadlessLink::Ui : public LinkUi {
public:
    explicit Ui(HeadlessLink& link) : link_(link) {}

    void setLinkText(std::string_view) override {}
    void setOperationText(std::string_view text) override {
        if (text == console::kOpParameterIncomplete) parameterIncomplete = true;
    }
    void setProgress(int) override {}
    void setPortLamp(bool) override {}
    void setModuleLamp(bool) override {}
    void setConnectionMenu(bool, bool) override {}
    void setIpSettingMenu(bool) override {}
    void setPortBoxesEnabled(bool) override {}
    void rebuildTree() override {}
    void clearTree() override {}
    void resetList() override {}
    void showMessage(std::string_view, std::string_view) override {}
    void openFirmwareDialog() override {}
    bool startPollTimer() override {
        polling = true;
        return true;
    }
    void stopPollTimer() override { polling = false; }
    void startAnimationTimer() override {}
    void stopAnimationTimer() override {}
    void postWorkerDone(uint64_t ticket) override {
        link_.post([this, ticket] {
            if (link_.dialogue_) link_.dialogue_->onWorkerDone(ticket);
        });
    }

    bool polling = false;
    bool parameterIncomplete = false;

private:
    HeadlessLink& link_;
};

HeadlessLink::HeadlessLink() : HeadlessLink(std::make_unique<TermiosSerialPort>(), std::chrono::seconds(1)) {}

// A short traffic log: only the open's result is read from the tap.
HeadlessLink::HeadlessLink(std::unique_ptr<SerialPort> port, std::chrono::milliseconds tick)
    : device_(std::move(port)), traffic_(16, 4096), port_(*device_, traffic_), tick_(tick),
      ui_(std::make_unique<Ui>(*this)),
      dialogue_(std::make_unique<ConsoleDialogue>(session_, config_, ipSetting_, port_, *ui_)) {}

HeadlessLink::~HeadlessLink() {
    close();
    // The dialogue joins a worker still receiving; its notice finds nobody.
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
    port_.cancelWaits();
    wake_.notify_all();
}

bool HeadlessLink::linkGone() const {
    return !session_.portOpen || (wasConnected_ && session_.linkState == LinkState::NotConnected);
}

HeadlessLink::Wait HeadlessLink::loopUntil(const std::function<bool()>& done, int ticks) {
    using Clock = std::chrono::steady_clock;
    auto nextTick = Clock::now() + tick_;
    for (;;) {
        if (interrupted_) return Wait::Interrupted;
        if (done()) return Wait::Done;
        std::function<void()> call;
        {
            std::unique_lock lock(mutex_);
            wake_.wait_until(lock, nextTick, [&] { return interrupted_ || !posted_.empty(); });
            if (interrupted_) return Wait::Interrupted;
            if (!posted_.empty()) {
                call = std::move(posted_.front());
                posted_.pop_front();
            }
        }
        if (call) {
            call();
            continue;
        }
        if (Clock::now() < nextTick) continue;
        if (ticks-- <= 0) return Wait::OutOfTicks;
        nextTick += tick_;
        if (ui_->polling) dialogue_->onPollTimer();
        if (session_.linkState != LinkState::NotConnected) wasConnected_ = true;
    }
}

LinkOpening HeadlessLink::open(const PortSettings& settings, const JobProgressHook& progress) {
    LinkOpening opening;
    if (interrupted_) {
        opening.outcome = LinkOpenOutcome::Interrupted;
        return opening;
    }
    wasConnected_ = false;
    dialogue_->connect(settings);
    if (!session_.portOpen) {
        opening.outcome = LinkOpenOutcome::PortError;
        opening.openError = port_.lastOpenCode();
        return opening;
    }
    if (progress) progress({JobKind::ReadParameters, 0, 0});
    // The gateway answers the prompt within a tick or not at all.
    Wait wait = loopUntil([&] { return session_.linkState != LinkState::NotConnected; }, kAnswerTicks);
    if (wait == Wait::Done) {
        wait = loopUntil(
            [&] {
                if (progress && session_.parameterLoaded) progress({JobKind::ReadFileNames, 0, 0});
                return linkGone() || (session_.parameterLoaded && !session_.firmwareAutoQuery);
            },
            kOpenTicks);
    }
    if (wait == Wait::Interrupted) {
        opening.outcome = LinkOpenOutcome::Interrupted;
        close();
        return opening;
    }
    if (!session_.parameterLoaded || linkGone()) {
        opening.outcome = ui_->parameterIncomplete ? LinkOpenOutcome::Incomplete : LinkOpenOutcome::NoAnswer;
        close();
        return opening;
    }
    // Parameters loaded; the file names may not have come (firmware that does
    // not know the query), which leaves the default layout.
    opening.outcome = LinkOpenOutcome::Ready;
    opening.config = config_;
    opening.fileNamesRead = session_.firmwareState() == FirmwareQueryState::Received;
    opening.fileNames = session_.firmwareFileNames;
    opening.fileCount = session_.fileCount;
    opening.safeValueLayout = session_.safeValueLayout;
    return opening;
}

JobResult HeadlessLink::run(Job job, const JobProgressHook& progress) {
    JobResult result;
    result.kind = job.kind;
    if (interrupted_) {
        result.outcome = JobOutcome::Cancelled;
        return result;
    }
    if (!session_.portOpen || linkGone()) {
        result.outcome = JobOutcome::LinkLost;
        return result;
    }
    if (progress) progress({job.kind, 0, 0});

    // The dialogue takes requests through the transfer codes its dialogs write,
    // and answers through the same codes.
    TransferCell* cell = nullptr;
    switch (job.kind) {
    case JobKind::ReadParameters:
        result.config = config_;
        return result;
    case JobKind::ReadFileNames:
        session_.setFirmwareState(FirmwareQueryState::Requested);
        break;
    case JobKind::ReadSafeValues:
        session_.safeValueBytes.clear();
        cell = &session_.safeValueTransfer;
        *cell = TransferState::LoadRequested;
        break;
    case JobKind::SendSafeValues:
        session_.safeValueBytes = std::move(job.safeValues);
        cell = &session_.safeValueTransfer;
        *cell = TransferState::SendRequested;
        break;
    case JobKind::ReadIpSetting:
        cell = &session_.ipSettingTransfer;
        *cell = TransferState::LoadRequested;
        break;
    case JobKind::SendIpSetting:
        ipSetting_ = job.ipSetting;
        cell = &session_.ipSettingTransfer;
        *cell = TransferState::SendRequested;
        break;
    }
    const TransferState asked = cell ? cell->load() : TransferState::Idle;
    const Wait wait = loopUntil(
        [&] {
            if (linkGone()) return true;
            if (!cell) {
                const FirmwareQueryState s = session_.firmwareState();
                return s == FirmwareQueryState::Received || s == FirmwareQueryState::ReceiveError;
            }
            return cell->load() != asked;
        },
        kJobTicks);
    if (wait == Wait::Interrupted) {
        result.outcome = JobOutcome::Cancelled;
        return result;
    }
    const TransferState code = cell ? cell->load() : TransferState::Idle;
    if (cell) *cell = TransferState::Idle;
    if (wait == Wait::OutOfTicks) {
        result.outcome = JobOutcome::NoAnswer;
        return result;
    }
    if (linkGone()) {
        result.outcome = JobOutcome::LinkLost;
        return result;
    }

    switch (job.kind) {
    case JobKind::ReadParameters:
        break;
    case JobKind::ReadFileNames:
        if (session_.firmwareState() != FirmwareQueryState::Received) result.outcome = JobOutcome::BlockIncomplete;
        result.fileNames = session_.firmwareFileNames;
        result.fileCount = session_.fileCount;
        result.safeValueLayout = session_.safeValueLayout;
        break;
    case JobKind::ReadSafeValues:
    case JobKind::ReadIpSetting:
        if (code == TransferState::ReadError) {
            result.outcome = JobOutcome::GatewayError;
            result.error = GatewayError::ReadEeprom;
        } else if (code != TransferState::ReceiveFinished) {
            result.outcome = JobOutcome::BlockIncomplete;
        } else if (job.kind == JobKind::ReadSafeValues) {
            result.safeValueLayout = session_.safeValueLayout;
            result.safeValues = session_.safeValueBytes;
            result.raw = session_.safeValueBytes;
            if (result.safeValues.size() != safeValueBlockBytes(session_.safeValueLayout))
                result.outcome = JobOutcome::BlockIncomplete;
        } else {
            result.ipSetting = ipSetting_;
            const IpSettingBlock block = encodeIpSettingBlock(ipSetting_);
            result.raw.assign(block.begin(), block.end());
        }
        break;
    case JobKind::SendSafeValues:
    case JobKind::SendIpSetting:
        if (code == TransferState::SaveError) {
            result.outcome = JobOutcome::GatewayError;
            result.error = GatewayError::SaveFailed;
        } else if (code == TransferState::SendError) {
            result.outcome = JobOutcome::GatewayError;
            result.error = GatewayError::ReceiveFailed;
        } else if (code != TransferState::SendFinished) {
            result.outcome = JobOutcome::BlockIncomplete;
        }
        break;
    }
    return result;
}

void HeadlessLink::close() {
    if (session_.portOpen) dialogue_->disconnect();
    // The port takes waits again for a later open.
    std::lock_guard lock(mutex_);
    posted_.clear();
}

}  // namespace norvik
