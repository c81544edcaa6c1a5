#include "link/exchange_rules.h"

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
      ipSetting_(ipSetting),
      port_(port),
      view_(view),
      timers_(timers),
      hooks_(std::move(hooks)),
      pace_(pace),
      jobs_(hooks_.post, *hooks_.clock),
      worker_(port, hooks_.runner, hooks_.post, [this](uint64_t ticket) { onWorkerDone(ticket); }) {}

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

void ExchangeRules::endJob(JobOutcome outcome, GatewayError error) { jobs_.end(outcome, error, exchangeRaw_); }

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
    lastLoad_ = LoadCommand::None;
    closeExchange();
    view_.setPortLamp(true);
    view_.setConnectionMenu(false, true);
    view_.setStatus(LinkStatus::PortOpen);
    if (!timers_.startPollTimer()) view_.setStatus(LinkStatus::TimerFailure);
    promptThisTick_ = false;
    heardSinceTick_ = false;
    sendPrompt();
}

void ExchangeRules::disconnect() {
    // The worker reads from the port: it is cut short and has ended before the
    // port closes.
    const bool cut = worker_.stop();
    finishAcknowledgedSend();
    const uint32_t code = port_.closePort(session_.portNumber);
    if (code != 0) {
        // The port stays open and the link goes on; the block that was being
        // received did not come whole.
        port_.resumeWaits();
        if (cut) failLoad(exchange_);
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

// The module's own notice. An exchange under way goes on all the same on the
// wire, as the notice was queued ahead of its answer: a gateway that has asked
// for a block may still be waiting for it, and a block on its way is dropped
// up to its finish line, not installed.
void ExchangeRules::endDisconnectNotice() {
    promptOutstanding_ = false;  // the notice answered it
    switch (exchange_) {
    case Exchange::SendSafeValue:
    case Exchange::SendIpSetting:
        if (phase_ == Phase::Asked) phase_ = Phase::Withheld;
        break;
    case Exchange::None: break;
    default:
        dropPending();
        phase_ = Phase::Failed;
        firstDroppedLine_ = true;
        break;
    }
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
        closeExchange();
        session_.fileNamesReceived = false;
        session_.firmwareAutoQuery = true;
        session_.safeValueLayout = SafeValueLayout::Block512;
    }
    if (portClosed) {
        lastLoad_ = LoadCommand::None;
        view_.setPortBoxesEnabled(true);
        session_.portOpen = false;
        view_.setPortLamp(false);
    }
    animating_ = false;
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
        timers_.stopAnimationTimer();
        progressStep_ = 0;
        view_.setProgress(0);
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
    if (exchange_ != Exchange::None && phase_ == Phase::Failed) {
        Drop drop = dropToFinishLine();
        if (endIfDeviceGone()) return;
        if (drop == Drop::Nothing && heard) drop = Drop::Dropped;
        if (drop == Drop::Finished) {
            quietTicks_ = 0;
            onLoadFinish(exchange_, false);
        } else if (drop == Drop::Dropped) {
            // The gateway is still sending what belongs to the exchange.
            exchangeQuietTicks_ = 0;
        } else {
            silence();
        }
        return;
    }
    // Every line that has come is read, so that a gateway saying more than one
    // line per prompt (a banner, an echo, noise) builds no backlog; the replies
    // are acted on in order, up to the first that sends something: one command
    // a tick, and what comes after it waits for the next.
    sentThisTick_ = false;
    promptThisTick_ = false;
    promptOwed_ = false;
    readingLines_ = true;
    const std::optional<bool> replied = readReplies(blockTimeout(session_.baud, kLineTimeoutBytes));
    readingLines_ = false;
    if (!replied) return;  // the device has gone
    if (promptOwed_ && session_.portOpen) sendCommand(c::kPrompt);
    promptOwed_ = false;
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
    if (exchange_ != Exchange::None && phase_ == Phase::Failed) {
        const Drop drop = dropToFinishLine();
        if (endIfDeviceGone() || drop == Drop::Nothing) return;
        heardSinceTick_ = true;
        if (drop == Drop::Finished) {
            quietTicks_ = 0;
            onLoadFinish(exchange_, false);
        } else {
            exchangeQuietTicks_ = 0;
        }
        return;
    }
    // One round of reading stands for a tick here: the rules that hold for
    // one tick's lines (one command, one prompt) hold for the lines read now.
    sentThisTick_ = false;
    promptThisTick_ = false;
    promptOwed_ = false;
    readingLines_ = true;
    const std::optional<bool> replied = readReplies(0);
    readingLines_ = false;
    if (!replied) return;
    if (promptOwed_ && session_.portOpen) sendCommand(c::kPrompt);
    promptOwed_ = false;
    if (*replied) {
        heardSinceTick_ = true;
        quietTicks_ = 0;
    }
}

// An idle link's prompt: once a tick, and at once for a job.
void ExchangeRules::keepAlive() {
    if (!session_.portOpen || exchange_ != Exchange::None || workerBusy() || promptOutstanding_) return;
    sendCommand(c::kPrompt);
}

std::optional<bool> ExchangeRules::readReplies(uint16_t firstWaitMs) {
    bool replied = false;
    bool came = port_.takeLine(session_.portNumber, firstWaitMs, line_);
    for (int read = 1; came; ++read) {
        if (endIfDeviceGone()) return std::nullopt;
        if (handleLine(line_)) replied = true;
        const bool portTaken =
            !session_.portOpen || workerBusy() || (exchange_ != Exchange::None && phase_ == Phase::Failed);
        // Past a prompt the reading goes on: a "connect" still queued answers
        // an older prompt, and left there it would put every later reply a
        // tick behind for good.
        const bool commandSent = sentThisTick_ && !promptThisTick_;
        if (commandSent || portTaken || read >= kMaxLinesPerTick) break;
        came = port_.takeLine(session_.portNumber, 0, line_);
    }
    if (endIfDeviceGone()) return std::nullopt;
    return replied;
}

bool ExchangeRules::handleLine(std::string_view line) {
    if (handleBrokenFinish(line)) return true;
    // Between a block and its finish line nothing may come. A line there,
    // blank or not, may have made up the missing bytes of a block that came
    // short and so look whole: the block is refused as a short one is. The
    // line itself is still acted on, should it be one the gateway says.
    if (phase_ == Phase::Received && line != finishLineOf(exchange_)) {
        failLoad(exchange_);
        handleReply(line);
        return true;
    }
    return handleReply(line);
}

bool ExchangeRules::handleReply(std::string_view line) {
    if (handleSendResult(line)) return true;
    if (line == c::kReplyConnect) {
        onConnectReply();
    } else if (line == c::kReplyParameter) {
        session_.linkState = LinkState::LoadingParameters;
        view_.setOperation(Operation::ReceiveParameter);
        onAnnounce(Exchange::Parameter, BlockWorker::Kind::Parameter);
    } else if (line == c::kReplyParameterFinish) {
        onLoadFinish(Exchange::Parameter, true);
    } else if (line == c::kReplyReceiveSafeValue) {
        onBlockAsked(Exchange::SendSafeValue);
    } else if (line == c::kReplySafeValue) {
        view_.setOperation(Operation::ReceiveSafeValue);
        onAnnounce(Exchange::LoadSafeValue, BlockWorker::Kind::SafeValue);
    } else if (line == c::kReplySafeValueFinish) {
        onLoadFinish(Exchange::LoadSafeValue, true);
    } else if (line == c::kReplyReadEepromError) {
        onReadEepromError();
    } else if (line == c::kReplyReceiveIpSetting) {
        onBlockAsked(Exchange::SendIpSetting);
    } else if (line == c::kReplyIpSetting) {
        view_.setOperation(Operation::ReceiveIpSetting);
        onAnnounce(Exchange::LoadIpSetting, BlockWorker::Kind::IpSetting);
    } else if (line == c::kReplyIpSettingFinish) {
        onLoadFinish(Exchange::LoadIpSetting, true);
    } else if (line == c::kReplyFileName) {
        view_.setOperation(Operation::ReceiveFileName);
        onAnnounce(Exchange::FileName, BlockWorker::Kind::FileName);
    } else if (line == c::kReplyFileNameFinish) {
        onLoadFinish(Exchange::FileName, true);
    } else if (line == c::kReplyDisconnect) {
        endDisconnectNotice();
    } else {
        return false;
    }
    return true;
}

void ExchangeRules::onConnectReply() {
    promptOutstanding_ = false;
    session_.linkState = LinkState::Connected;
    session_.accessErrorShown = true;
    view_.setStatus(LinkStatus::Connected);
    view_.setModuleLamp(true);
    session_.missCount = 0;
    // A reply queued behind the one that started the exchange: the exchange is
    // under way, and a second command would land in it. One read after this
    // tick's prompt answers an earlier prompt: the next command waits for the
    // answer to this one.
    if (exchange_ != Exchange::None || promptThisTick_) return;
    sendNextCommand();
}

void ExchangeRules::silence() {
    const bool safeValuePending = jobs_.queued(JobKind::SendSafeValues) || jobs_.queued(JobKind::ReadSafeValues);
    const bool quietForSafeValue =
        safeValuePending && session_.linkState == LinkState::Connected && quietTicks_ < kMaxQuietTicks;
    if (quietForSafeValue) ++quietTicks_;
    if (exchange_ != Exchange::None) {
        // The answer may still come; whatever went out now could land in it.
        if (++exchangeQuietTicks_ < kExchangeTimeoutTicks) return;
        giveUpExchange();
    }
    if (session_.linkState == LinkState::LoadingParameters || quietForSafeValue) return;
    sendPrompt();
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

// The gateway said nothing of the exchange for too long: it missed the command
// (the next "connect" asks again, as the request is still pending) or its last
// line was lost. A block already received is not installed without it.
void ExchangeRules::giveUpExchange() {
    if (phase_ == Phase::Received || phase_ == Phase::Failed) animating_ = false;
    // A load whose block came but not its finish line: its reply was not read
    // whole, which is no silence.
    const bool replied = phase_ == Phase::Received || phase_ == Phase::Failed;
    if (exchange_ == Exchange::FileName && replied) fileNameFailure();
    endJob(replied ? JobOutcome::BlockIncomplete : JobOutcome::NoAnswer);
    closeExchange();
}

void ExchangeRules::closeExchange() {
    // A job still running here has lost its exchange without an answer.
    endJob(JobOutcome::NoAnswer);
    jobExchange_ = false;
    jobs_.forgetData();
    exchangeRaw_.clear();
    sendSafeValues_.clear();
    exchange_ = Exchange::None;
    phase_ = Phase::Asked;
    exchangeQuietTicks_ = 0;
    dropPending();
}

void ExchangeRules::sendCommand(const char* text) {
    port_.sendLine(session_.portNumber, text);
    sentThisTick_ = true;
    if (std::string_view(text) == c::kPrompt) promptOutstanding_ = true;
}

void ExchangeRules::sendPrompt() {
    // One prompt a tick: its answer serves whatever else asked for one.
    if (promptThisTick_) return;
    promptThisTick_ = true;
    // Asked for while the tick reads: it goes out once the lines that had
    // come are read, so that none of them is its answer.
    if (readingLines_) {
        promptOwed_ = true;
        return;
    }
    sendCommand(c::kPrompt);
}

void ExchangeRules::ask(Exchange exchange, const char* command) {
    exchange_ = exchange;
    phase_ = Phase::Asked;
    exchangeQuietTicks_ = 0;
    sendCommand(command);
}

void ExchangeRules::askFor(Exchange exchange, const char* command, JobKind job) {
    jobs_.start(job);
    jobExchange_ = jobs_.running();
    exchangeRaw_.clear();
    if (exchange == Exchange::LoadSafeValue) lastLoad_ = LoadCommand::SafeValue;
    if (exchange == Exchange::LoadIpSetting) lastLoad_ = LoadCommand::IpSetting;
    if (jobs_.running() && exchange == Exchange::SendSafeValue) sendSafeValues_ = jobs_.runningJob().safeValues;
    if (jobs_.running() && exchange == Exchange::SendIpSetting) sendIpSetting_ = jobs_.runningJob().ipSetting;
    ask(exchange, command);
}

// The command order: the parameter block first, then the safe values, the
// file names and the IP setting, each send ahead of its load.
void ExchangeRules::sendNextCommand() {
    // The size of the safe-value block is known only after the first file-name
    // query: a safe-value job waits for it (the dialogs' menu entries wait too).
    const bool layoutKnown = !session_.firmwareAutoQuery;
    if (!session_.parameterLoaded || jobs_.queued(JobKind::ReadParameters)) {
        askFor(Exchange::Parameter, c::kLoadParameter, JobKind::ReadParameters);
        // Loaded for the window in any case, job or not.
        jobExchange_ = false;
    } else if (layoutKnown && jobs_.queued(JobKind::SendSafeValues)) {
        askFor(Exchange::SendSafeValue, c::kSendSafeValue, JobKind::SendSafeValues);
    } else if (layoutKnown && jobs_.queued(JobKind::ReadSafeValues)) {
        askFor(Exchange::LoadSafeValue, c::kLoadSafeValue, JobKind::ReadSafeValues);
    } else if (session_.firmwareAutoQuery || jobs_.queued(JobKind::ReadFileNames)) {
        askFor(Exchange::FileName, c::kLoadFileName, JobKind::ReadFileNames);
        jobExchange_ = false;
    } else if (jobs_.queued(JobKind::SendIpSetting)) {
        askFor(Exchange::SendIpSetting, c::kSendIpSetting, JobKind::SendIpSetting);
    } else if (jobs_.queued(JobKind::ReadIpSetting)) {
        askFor(Exchange::LoadIpSetting, c::kLoadIpSetting, JobKind::ReadIpSetting);
    } else if (pace_ == DialoguePace::Tick) {
        sendPrompt();
    }
}

void ExchangeRules::startAnimation() {
    timers_.startAnimationTimer();
    animating_ = true;
}

void ExchangeRules::onAnimationTimer() {
    if (animating_) {
        progressStep_ = static_cast<uint8_t>(progressStep_ + 1);
        if (progressStep_ > 9) progressStep_ = 0;
        view_.setProgress(progressStep_);
    } else {
        progressStep_ = 0;
        view_.setProgress(0);
        timers_.stopAnimationTimer();
    }
}

}  // namespace norvik
