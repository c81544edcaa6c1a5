#include "link/exchange_machine.h"

#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "safevalue/safe_value_layout.h"
#include "serial/console_lines.h"

namespace norvik {

namespace c = console;

ExchangeMachine::ExchangeMachine(LinkSession& session, GatewayConfig& config, IpSettingRecord& ipSetting,
                                 SerialPort& port, LinkViewState& view, JobQueue& jobs, BlockWorker& worker,
                                 CommandOutput& output, ProgressAnimation& progress)
    : session_(session),
      view_(view),
      jobs_(jobs),
      worker_(worker),
      output_(output),
      progress_(progress),
      pending_(session, config, ipSetting, view, jobs),
      sends_(session, port, view),
      tail_(session, port) {}

void ExchangeMachine::endJob(JobOutcome outcome, GatewayError error) { jobs_.end(outcome, error, pending_.raw()); }

ExchangeMachine::Heard ExchangeMachine::handleLine(std::string_view line) {
    if (handleBrokenFinish(line)) return Heard::Reply;
    // Between a block and its finish line nothing may come. A line there,
    // blank or not, may have made up the missing bytes of a block that came
    // short and so look whole: the block is refused as a short one is. The
    // line itself is still acted on, should it be one the gateway says.
    if (phase_ == Phase::Received && line != finishLineOf(exchange_)) {
        failLoad(exchange_);
        const Heard heard = handleReply(line);
        return heard == Heard::Unknown ? Heard::Reply : heard;
    }
    return handleReply(line);
}

ExchangeMachine::Heard ExchangeMachine::handleReply(std::string_view line) {
    // The prompt's answer first: it is the line heard most, and no verdict.
    if (line == c::kReplyConnect) return Heard::Connect;
    if (handleSendResult(line)) return Heard::Reply;
    if (line == c::kReplyParameter) {
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
        return Heard::Notice;
    } else {
        return Heard::Unknown;
    }
    return Heard::Reply;
}

// A load's finish line that did not come as itself: the block was not whole.
bool ExchangeMachine::handleBrokenFinish(std::string_view line) {
    const bool afterBlock = phase_ == Phase::Received || phase_ == Phase::Failed;
    if (!BlockTail::brokenFinish(line, finishLineOf(exchange_), afterBlock)) return false;
    onLoadFinish(exchange_, false);
    return true;
}

const char* ExchangeMachine::finishLineOf(Exchange exchange) {
    switch (exchange) {
    case Exchange::Parameter: return c::kReplyParameterFinish;
    case Exchange::FileName: return c::kReplyFileNameFinish;
    case Exchange::LoadSafeValue: return c::kReplySafeValueFinish;
    case Exchange::LoadIpSetting: return c::kReplyIpSettingFinish;
    default: return "";
    }
}

bool ExchangeMachine::waitOutSilence() {
    // The answer may still come; whatever went out now could land in it.
    if (++exchangeQuietTicks_ < kExchangeTimeoutTicks) return true;
    giveUpExchange();
    return false;
}

// The gateway said nothing of the exchange for too long: it missed the command
// (the next "connect" asks again, as the request is still pending) or its last
// line was lost. A block already received is not installed without it.
void ExchangeMachine::giveUpExchange() {
    if (phase_ == Phase::Received || phase_ == Phase::Failed) progress_.stop();
    // A load whose block came but not its finish line: its reply was not read
    // whole, which is no silence.
    const bool replied = phase_ == Phase::Received || phase_ == Phase::Failed;
    if (exchange_ == Exchange::FileName && replied) pending_.refuse(Exchange::FileName, false);
    endJob(replied ? JobOutcome::BlockIncomplete : JobOutcome::NoAnswer);
    close();
}

void ExchangeMachine::close() {
    // A job still running here has lost its exchange without an answer.
    endJob(JobOutcome::NoAnswer);
    jobExchange_ = false;
    jobs_.forgetData();
    pending_.forgetRaw();
    sends_.forget();
    exchange_ = Exchange::None;
    phase_ = Phase::Asked;
    exchangeQuietTicks_ = 0;
    pending_.drop();
}

void ExchangeMachine::ask(Exchange exchange, const char* command) {
    exchange_ = exchange;
    phase_ = Phase::Asked;
    exchangeQuietTicks_ = 0;
    output_.send(command);
}

void ExchangeMachine::askFor(Exchange exchange, const char* command, JobKind job) {
    jobs_.start(job);
    jobExchange_ = jobs_.running();
    pending_.forgetRaw();
    if (exchange == Exchange::LoadSafeValue) lastLoad_ = LoadCommand::SafeValue;
    if (exchange == Exchange::LoadIpSetting) lastLoad_ = LoadCommand::IpSetting;
    if (jobs_.running()) sends_.take(exchange, jobs_.runningJob());
    ask(exchange, command);
}

// The command order: the parameter block first, then the safe values, the
// file names and the IP setting, each send ahead of its load.
bool ExchangeMachine::askNext() {
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
    } else {
        return false;
    }
    return true;
}

void ExchangeMachine::onDisconnectNotice() {
    // A gateway that has asked for a block may still be waiting for it, and a
    // block on its way is dropped up to its finish line, not installed.
    switch (exchange_) {
    case Exchange::SendSafeValue:
    case Exchange::SendIpSetting:
        if (phase_ == Phase::Asked) phase_ = Phase::Withheld;
        break;
    case Exchange::None: break;
    default:
        pending_.drop();
        phase_ = Phase::Failed;
        tail_.expect();
        break;
    }
}

// A gateway that has acknowledged a send waits for the block and takes what
// comes next for its bytes: the next Connect's prompts, and with them its
// answers, would be lost in it for seconds. So once it has acknowledged, its
// block and "transmit_end" go out whole before the port closes; before that,
// nothing is sent and the port closes at once.
void ExchangeMachine::finishAcknowledgedSend() {
    if (!session_.portOpen || (exchange_ != Exchange::SendSafeValue && exchange_ != Exchange::SendIpSetting)) return;
    // The acknowledgement may already wait among the lines not yet read.
    if (phase_ == Phase::Asked && sends_.askedAmongNextLines(exchange_)) onBlockAsked(exchange_);
    if (phase_ != Phase::Sent) return;
    sends_.drain(exchange_);
}

// "receive safe value" / "receive ip setting": the gateway waits for our block.
void ExchangeMachine::onBlockAsked(Exchange exchange) {
    if (exchange_ != Exchange::None && exchange_ != exchange) {
        // A stale answer to a send given up before: it ends nothing new. The
        // exchange under way stays, and with it the rule that nothing goes out
        // while it is open, longer than the gateway waits for that block.
        exchangeQuietTicks_ = 0;
        return;
    }
    if (exchange_ != exchange || phase_ != Phase::Asked) {
        // No command of ours is waiting for this (a doubled line, or one after
        // the module's disconnect notice): no block goes out, and nothing else
        // either while the gateway may take it for block bytes.
        retarget(exchange);
        exchange_ = exchange;
        phase_ = Phase::Withheld;
        exchangeQuietTicks_ = 0;
        return;
    }
    exchangeQuietTicks_ = 0;
    if (jobExchange_ && !jobs_.running()) {
        // Its job was cancelled before the gateway asked: nothing goes out, and
        // the gateway's own time-out ends the exchange.
        phase_ = Phase::Withheld;
        return;
    }
    if (!sends_.send(exchange)) {
        phase_ = Phase::Withheld;
        endJob(JobOutcome::BlockIncomplete);
        return;
    }
    output_.send(c::kTransmitEnd);
    progress_.start();
    phase_ = Phase::Sent;
}

// The gateway's verdicts on a block it was sent: each ends its exchange.
bool ExchangeMachine::handleSendResult(std::string_view line) {
    const SendBlocks::Verdict* v = SendBlocks::verdictOf(line);
    if (v == nullptr) return false;
    finishTransfer(v->text, v->send, v->outcome, v->error);
    return true;
}

void ExchangeMachine::finishTransfer(Operation text, Exchange owner, JobOutcome outcome, GatewayError error) {
    progress_.stop();
    view_.setOperation(text);
    // A verdict on an exchange no job asked for, or one that came late, ends no job.
    if (jobOwns(owner)) endJob(outcome, error);
    if (exchange_ == owner) close();
    // The prompt goes out only with no exchange left under way: a verdict that
    // comes late must not cut into another.
    if (exchange_ == Exchange::None) output_.prompt();
}

void ExchangeMachine::retarget(Exchange exchange) {
    if (exchange == exchange_) return;
    endJob(JobOutcome::NoAnswer);
    jobExchange_ = false;
    jobs_.forgetData();
    pending_.forgetRaw();
}

// The gateway announces a block: whatever was asked, that block comes now.
void ExchangeMachine::onAnnounce(Exchange exchange, BlockWorker::Kind kind) {
    retarget(exchange);
    exchange_ = exchange;
    phase_ = Phase::Receiving;
    exchangeQuietTicks_ = 0;
    startWorker(kind);
}

void ExchangeMachine::startWorker(BlockWorker::Kind kind) {
    std::unique_ptr<BlockWorker::Result> result = pending_.resultFor(kind);
    progress_.start();
    // Progress goes to the job that runs now, and only while it runs.
    worker_.start(std::move(result),
                  {session_.portNumber, session_.baud, safeValueBlockBytes(session_.safeValueLayout)},
                  jobs_.progressOfRunning());
}

void ExchangeMachine::received(BlockWorker::Result& result) {
    phase_ = result.outcome.whole ? Phase::Received : Phase::Failed;
    tail_.expect();
    // What the worker received is installed here and not by the worker: the
    // window reads the session on this thread. It is shown when the gateway's
    // finish line confirms it.
    const bool held = pending_.hold(result);
    switch (result.kind) {
    case BlockWorker::Kind::Parameter:
        if (!held) failLoad(Exchange::Parameter);
        break;
    case BlockWorker::Kind::SafeValue:
        if (!held) failLoad(Exchange::LoadSafeValue);
        break;
    case BlockWorker::Kind::IpSetting:
        if (!held) failLoad(Exchange::LoadIpSetting);
        break;
    case BlockWorker::Kind::FileName:
        progress_.stop();  // onLoadFinish leaves it to this, for names
        if (held) break;
        // The rest of a reply that did not parse is still to come.
        phase_ = Phase::Failed;
        if (exchange_ == Exchange::FileName) endJob(JobOutcome::BlockIncomplete);
        pending_.refuse(Exchange::FileName, false);
        break;
    }
}

// A load's finish line. Only a block that came whole and is followed by the
// line itself completes the load; otherwise the load ends with its error.
void ExchangeMachine::onLoadFinish(Exchange exchange, bool intactLine) {
    // Its exchange is over (a doubled line, or one after a time-out): nothing to finish.
    if (exchange_ != exchange) return;
    const bool whole = intactLine && phase_ == Phase::Received;
    if (!whole && phase_ != Phase::Failed) failLoad(exchange);
    if (whole) completeLoad(exchange);
    if (exchange != Exchange::FileName) progress_.stop();  // received() stops it for names
    close();
    output_.prompt();
}

void ExchangeMachine::completeLoad(Exchange exchange) {
    if (const std::optional<JobOutcome> outcome = pending_.install(exchange, jobExchange_)) endJob(*outcome);
    pending_.drop();
}

// A load whose block did not come whole: the error shows at once, nothing of
// the block is installed, and the rest of it is dropped until its finish line.
void ExchangeMachine::failLoad(Exchange exchange) {
    progress_.stop();
    if (!pending_.refuse(exchange, phase_ == Phase::Received)) return;
    if (exchange == exchange_) endJob(JobOutcome::BlockIncomplete);
    pending_.drop();
    phase_ = Phase::Failed;
    tail_.expect();
}

void ExchangeMachine::onReadEepromError() {
    // The error belongs to the load under way; without one, to the load asked
    // for last; without that, a queued IP-setting read decides.
    bool ip = false;
    if (exchange_ == Exchange::LoadIpSetting || exchange_ == Exchange::LoadSafeValue) {
        ip = exchange_ == Exchange::LoadIpSetting;
    } else {
        ip = lastLoad_ == LoadCommand::IpSetting ||
             (lastLoad_ == LoadCommand::None && jobs_.queued(JobKind::ReadIpSetting));
    }
    if (ip) {
        finishTransfer(Operation::ReadIpSettingError, Exchange::LoadIpSetting, JobOutcome::GatewayError,
                       GatewayError::ReadEeprom);
    } else {
        finishTransfer(Operation::ReadSafeValueError, Exchange::LoadSafeValue, JobOutcome::GatewayError,
                       GatewayError::ReadEeprom);
    }
}

}  // namespace norvik
