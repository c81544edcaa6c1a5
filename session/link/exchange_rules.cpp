#include "link/exchange_rules.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "serial/console_lines.h"
#include "safevalue/safe_value_layout.h"

namespace norvik {

namespace c = console;

namespace {

// A silent gateway must not be masked for ever by a safe-value job that waits
// for a layout the gateway never tells.
constexpr uint8_t kMaxQuietTicks = 10;

// Lines one tick reads at most: a gateway streaming lines cannot hold it for ever.
constexpr int kMaxLinesPerTick = 64;

}  // namespace

ExchangeRules::ExchangeRules(LinkSession& session, GatewayConfig& config, IpSettingRecord& ipSetting, SerialPort& port,
                             LinkViewSink& view, LinkTimers& timers, DialogueHooks hooks, DialoguePace pace)
    : session_(session),
      config_(config),
      port_(port),
      view_(view),
      timers_(timers),
      hooks_(std::move(hooks)),
      pace_(pace),
      jobs_(hooks_.post, *hooks_.clock),
      worker_(port, hooks_.runner, hooks_.post, [this](uint64_t ticket) { onWorkerDone(ticket); }),
      output_(session, port),
      progress_(view_, timers),
      machine_(session, config, ipSetting, port, view_, jobs_, worker_, output_, progress_) {}

ExchangeRules::~ExchangeRules() {
    finishWorker();
    jobs_.endAll(JobOutcome::LinkLost);
}

JobId ExchangeRules::submit(Job job, JobDone done, JobProgressHook progress) {
    const JobQueue::Submitted submitted =
        jobs_.submit(std::move(job), std::move(done), std::move(progress), session_.portOpen);
    // Nothing waits for a tick: an idle link prompts now, and the job's
    // command goes out at the answer.
    if (submitted.queued && pace_ == DialoguePace::AsAnswered) keepAlive();
    return submitted.id;
}

// A running job's exchange goes on without it: a send the gateway has not
// asked for yet is withheld when it asks, one it is taking goes out whole,
// and a block under way is received and dropped.
bool ExchangeRules::cancel(JobId id) { return jobs_.cancel(id); }

std::size_t ExchangeRules::pendingJobs() const { return jobs_.pending(); }

void ExchangeRules::connect(const PortSettings& settings) {
    session_.portNumber = settings.port;
    session_.baud = settings.baud;
    const uint16_t code = port_.openPort(settings);
    if (code != 0) {
        endFailedOpen(code);
        return;
    }
    session_.firmwareFileNames = {};
    session_.fileNamesReceived = false;
    session_.firmwareAutoQuery = true;
    session_.fileCount = 0;
    session_.safeValueLayout = SafeValueLayout::Block512;
    // The port may lead to another gateway now: a report must not show its
    // predecessor's safe values.
    session_.safeValueBytes.clear();
    view_.setPortBoxesEnabled(false);
    session_.portOpen = true;
    session_.accessErrorShown = false;
    quietTicks_ = 0;
    machine_.forgetLastLoad();
    machine_.close();
    view_.setPortLamp(true);
    view_.setConnectionMenu(false, true);
    view_.setStatus(LinkStatus::PortOpen);
    if (!timers_.startPollTimer()) view_.setStatus(LinkStatus::TimerFailure);
    output_.allowPrompt();
    heardSinceTick_ = false;
    output_.prompt();
}

void ExchangeRules::disconnect() {
    // The worker reads from the port: it is cut short and has ended before the
    // port closes.
    const bool cut = worker_.stop();
    machine_.finishAcknowledgedSend();
    const uint32_t code = port_.closePort(session_.portNumber);
    if (code != 0) {
        // The port stays open and the link goes on; the block that was being
        // received did not come whole.
        port_.resumeWaits();
        if (cut) machine_.failCutLoad();
        view_.setStatus(LinkStatus::CloseError, code);
        return;
    }
    endDisconnect();
}

// Nothing was open: only the text and the box say so.
void ExchangeRules::endFailedOpen(uint16_t code) {
    view_.setStatus(LinkStatus::OpenError, code);
    view_.raise(LinkNotice::OpenError);
}

// The user's Disconnect, and Exit with the port open.
void ExchangeRules::endDisconnect() {
    resetLink(LinkEnd::Disconnect);
    view_.setStatus(LinkStatus::PortClosed);
}

// The device went away under the open port: closed as Disconnect closes it, so
// that the user can plug it in again and press Connect.
void ExchangeRules::endLostDevice(uint32_t code) {
    worker_.stop();
    // The descriptor is released whatever close reports.
    (void)port_.closePort(session_.portNumber);
    resetLink(LinkEnd::DeviceLost);
    view_.setStatus(LinkStatus::PortLost, code);
}

// The module's own notice.
void ExchangeRules::endDisconnectNotice() {
    output_.promptAnswered();  // the notice answered it
    machine_.onDisconnectNotice();
    resetLink(LinkEnd::Notice);
}

// Everything a link's end resets, in one place. Every job ends; the shared
// state the window shows goes back to "no module"; a closed port also takes
// the port's part with it.
void ExchangeRules::resetLink(LinkEnd end) {
    const bool portClosed = end == LinkEnd::Disconnect || end == LinkEnd::DeviceLost;
    jobs_.endAll(JobOutcome::LinkLost);
    // The module's notice leaves what the file-name query learnt valid, and
    // its exchange to be seen through on the wire.
    if (end != LinkEnd::Notice) {
        machine_.close();
        session_.fileNamesReceived = false;
        session_.firmwareAutoQuery = true;
        session_.safeValueLayout = SafeValueLayout::Block512;
    }
    if (portClosed) {
        machine_.forgetLastLoad();
        view_.setPortBoxesEnabled(true);
        session_.portOpen = false;
        view_.setPortLamp(false);
    }
    progress_.stop();
    config_.moduleCount = 0;
    session_.parameterLoaded = false;
    session_.linkState = LinkState::NotConnected;
    view_.setModuleLamp(false);
    if (portClosed) {
        view_.setConnectionMenu(true, false);
    } else {
        view_.setStatus(LinkStatus::Lost);
    }
    view_.setOperation(Operation::None);
    view_.tell(LinkChange::TreeCleared);
    view_.tell(LinkChange::ListReset);
    if (portClosed) {
        timers_.stopPollTimer();
        progress_.reset();
    }
}

bool ExchangeRules::endIfDeviceGone() {
    const uint32_t code = port_.deviceError();
    if (code == 0) return false;
    endLostDevice(code);
    return true;
}

void ExchangeRules::onPollTimer() {
    if (!session_.portOpen) return;
    // While a worker owns the port nothing is read, so nothing can be missed.
    if (workerBusy()) return;
    if (endIfDeviceGone()) return;
    const bool heard = std::exchange(heardSinceTick_, false);
    if (machine_.dropping()) {
        BlockTail::Drop drop = machine_.dropTail(line_);  // no line is being read meanwhile
        if (endIfDeviceGone()) return;
        if (drop == BlockTail::Drop::Nothing && heard) drop = BlockTail::Drop::Dropped;
        if (drop == BlockTail::Drop::Finished) {
            quietTicks_ = 0;
            machine_.finishDropped();
        } else if (drop == BlockTail::Drop::Dropped) {
            machine_.stillHeard();
        } else {
            silence();
        }
        return;
    }
    // Every line that has come is read, so that a gateway saying more than one
    // line per prompt (a banner, an echo, noise) builds no backlog; the replies
    // are acted on in order, up to the first that sends something: one command
    // a tick, and what comes after it waits for the next.
    output_.beginRound();
    const std::optional<bool> replied = readReplies(blockTimeout(session_.baud, kLineTimeoutBytes));
    output_.endReading();
    if (!replied) return;  // the device has gone
    output_.sendOwedPrompt();
    if (*replied || heard) {
        quietTicks_ = 0;
        if (pace_ == DialoguePace::AsAnswered) keepAlive();
    } else {
        silence();
    }
}

void ExchangeRules::onLinesArrived() {
    if (pace_ != DialoguePace::AsAnswered || !session_.portOpen || workerBusy()) return;
    if (endIfDeviceGone()) return;
    if (machine_.dropping()) {
        const BlockTail::Drop drop = machine_.dropTail(line_);
        if (endIfDeviceGone() || drop == BlockTail::Drop::Nothing) return;
        heardSinceTick_ = true;
        if (drop == BlockTail::Drop::Finished) {
            quietTicks_ = 0;
            machine_.finishDropped();
        } else {
            machine_.stillHeard();
        }
        return;
    }
    // One round of reading stands for a tick here: the rules that hold for
    // one tick's lines (one command, one prompt) hold for the lines read now.
    output_.beginRound();
    const std::optional<bool> replied = readReplies(0);
    output_.endReading();
    if (!replied) return;
    output_.sendOwedPrompt();
    if (*replied) {
        heardSinceTick_ = true;
        quietTicks_ = 0;
    }
}

// An idle link's prompt: once a tick, and at once for a job.
void ExchangeRules::keepAlive() {
    if (!session_.portOpen || machine_.open() || workerBusy() || output_.promptOutstanding()) return;
    output_.send(c::kPrompt);
}

std::optional<bool> ExchangeRules::readReplies(uint16_t firstWaitMs) {
    bool replied = false;
    bool came = port_.takeLine(session_.portNumber, firstWaitMs, line_);
    for (int read = 1; came; ++read) {
        if (endIfDeviceGone()) return std::nullopt;
        if (handleLine(line_)) replied = true;
        const bool portTaken = !session_.portOpen || workerBusy() || machine_.dropping();
        // Past a prompt the reading goes on: a "connect" still queued answers
        // an older prompt, and left there it would put every later reply a
        // tick behind for good.
        const bool commandSent = output_.sent() && !output_.prompted();
        if (commandSent || portTaken || read >= kMaxLinesPerTick) break;
        came = port_.takeLine(session_.portNumber, 0, line_);
    }
    if (endIfDeviceGone()) return std::nullopt;
    return replied;
}

bool ExchangeRules::handleLine(std::string_view line) {
    switch (machine_.handleLine(line)) {
    case ExchangeMachine::Heard::Unknown: return false;
    case ExchangeMachine::Heard::Reply: break;
    case ExchangeMachine::Heard::Connect: onConnectReply(); break;
    case ExchangeMachine::Heard::Notice: endDisconnectNotice(); break;
    }
    return true;
}

void ExchangeRules::onConnectReply() {
    output_.promptAnswered();
    session_.linkState = LinkState::Connected;
    session_.accessErrorShown = true;
    view_.setStatus(LinkStatus::Connected);
    view_.setModuleLamp(true);
    session_.missCount = 0;
    // A reply queued behind the one that started the exchange: the exchange is
    // under way, and a second command would land in it. One read after this
    // tick's prompt answers an earlier prompt: the next command waits for the
    // answer to this one.
    if (machine_.open() || output_.prompted()) return;
    if (!machine_.askNext() && pace_ == DialoguePace::Tick) output_.prompt();
}

void ExchangeRules::silence() {
    const bool safeValuePending = jobs_.queued(JobKind::SendSafeValues) || jobs_.queued(JobKind::ReadSafeValues);
    const bool quietForSafeValue =
        safeValuePending && session_.linkState == LinkState::Connected && quietTicks_ < kMaxQuietTicks;
    if (quietForSafeValue) ++quietTicks_;
    if (machine_.open() && machine_.waitOutSilence()) return;
    if (session_.linkState == LinkState::LoadingParameters || quietForSafeValue) return;
    output_.prompt();
    if (session_.linkState == LinkState::Connected) {
        // Two silent ticks in a row: the module is gone.
        if (session_.missCount >= 1) resetLink(LinkEnd::Silence);
        ++session_.missCount;
    }
    if (!session_.accessErrorShown) {
        // Set before the box opens: ticks go on while it is shown.
        session_.accessErrorShown = true;
        view_.raise(LinkNotice::AccessError);
    }
}

void ExchangeRules::onAnimationTimer() { progress_.onTimer(); }

void ExchangeRules::finishWorker() {
    worker_.stop();
    port_.resumeWaits();
}

void ExchangeRules::onWorkerDone(uint64_t ticket) {
    const std::unique_ptr<BlockWorker::Result> result = worker_.take(ticket);
    if (!result) return;  // a worker of a link that has since ended

    session_.linkState = LinkState::Connected;
    // A receive that ended because the device went away is no short block.
    if (endIfDeviceGone()) return;
    machine_.received(*result);

    // Lines the receive took in place of a short block's missing bytes came
    // before anything still unread.
    for (const std::string& line : result->outcome.linesAfter) {
        if (!session_.portOpen) break;
        handleLine(line);
    }
}

}  // namespace norvik
