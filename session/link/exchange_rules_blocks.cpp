// The blocks of the exchange rules: a load's block on its worker, what it
// installs once its finish line confirms it, and a send's block out when the
// gateway asks for it.
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "firmware/file_names.h"
#include "link/block_receivers.h"
#include "link/exchange_rules.h"
#include "serial/console_lines.h"
#include "safevalue/safe_value_layout.h"

namespace norvik {

namespace c = console;

namespace {

// Bytes of a block that came late, dropped in one tick before its finish line;
// a bound so that a gateway streaming garbage cannot hold the tick for ever.
constexpr int kMaxDroppedBytes = 4096;

// Lines Disconnect reads, at most, looking for a send's acknowledgement.
constexpr int kMaxLinesLookedAtOnClose = 8;

}  // namespace

void ExchangeRules::dropPending() {
    pendingSafeValues_.reset();
    pendingIpSetting_.reset();
    if (pendingConfig_) spareConfig_ = std::move(pendingConfig_);
    pendingFileNames_.reset();
}

// A gateway that has acknowledged a send waits for the block and takes what
// comes next for its bytes: the next Connect's prompts, and with them its
// answers, would be lost in it for seconds. So once it has acknowledged, its
// block and "transmit_end" go out whole before the port closes; before that,
// nothing is sent and the port closes at once. At 115200 baud the largest
// block takes 85 ms.
void ExchangeRules::finishAcknowledgedSend() {
    if (!session_.portOpen || (exchange_ != Exchange::SendSafeValue && exchange_ != Exchange::SendIpSetting)) return;
    if (phase_ == Phase::Asked) {
        // The acknowledgement may already wait among the lines not yet read.
        const char* ack = exchange_ == Exchange::SendSafeValue ? c::kReplyReceiveSafeValue : c::kReplyReceiveIpSetting;
        std::string line;
        for (int i = 0; i < kMaxLinesLookedAtOnClose; ++i) {
            if (!port_.takeLine(session_.portNumber, blockTimeout(session_.baud, kLineTimeoutBytes), line)) break;
            if (line == ack) {
                onBlockAsked(exchange_);
                break;
            }
        }
    }
    if (phase_ != Phase::Sent) return;
    const uint32_t blockBytes = exchange_ == Exchange::SendSafeValue ? safeValueBlockBytes(session_.safeValueLayout)
                                                                     : static_cast<uint32_t>(kIpSettingBlockBytes);
    port_.drainOutput(session_.portNumber, blockTimeout(session_.baud, blockBytes + kLineTimeoutBytes));
}

void ExchangeRules::finishWorker() {
    worker_.stop();
    port_.resumeWaits();
}

// After a block that came short or late, the rest of it may still arrive:
// raw bytes, zeros and line ends among them, that no line read could be
// trusted with. They are dropped up to the exchange's finish line, which may
// stand behind them on one line or, right after a block that took its head,
// arrive without its head.
ExchangeRules::Drop ExchangeRules::dropToFinishLine() {
    const std::string_view finish = finishLineOf(exchange_);
    std::string& line = line_;  // no line is being read meanwhile
    line.clear();
    uint8_t byte = 0;
    for (int i = 0; i < kMaxDroppedBytes; ++i) {
        const BlockReceipt r = port_.receiveBlock(session_.portNumber, std::span(&byte, 1),
                                                  blockTimeout(session_.baud, kLineTimeoutBytes));
        if (!r.whole()) return i == 0 ? Drop::Nothing : Drop::Dropped;
        if (byte != '\n') {
            line.push_back(static_cast<char>(byte));
            continue;
        }
        if (line.ends_with('\r')) line.pop_back();
        const bool headless = firstDroppedLine_ && !line.empty() && finish.ends_with(line);
        firstDroppedLine_ = false;
        if (line.ends_with(finish) || headless) return Drop::Finished;
        line.clear();
    }
    return Drop::Dropped;
}

const char* ExchangeRules::finishLineOf(Exchange exchange) {
    switch (exchange) {
    case Exchange::Parameter: return c::kReplyParameterFinish;
    case Exchange::FileName: return c::kReplyFileNameFinish;
    case Exchange::LoadSafeValue: return c::kReplySafeValueFinish;
    case Exchange::LoadIpSetting: return c::kReplyIpSettingFinish;
    default: return "";
    }
}

// A load's finish line that did not come as itself: behind garbage on one line
// (the block itself read as lines when its announcement was lost), or without
// its head, which a block that came short took in place of its missing bytes.
// Either way the block was not whole.
bool ExchangeRules::handleBrokenFinish(std::string_view line) {
    const std::string_view finish = finishLineOf(exchange_);
    if (finish.empty() || line.empty() || line == finish) return false;
    const bool afterGarbage = line.ends_with(finish);
    const bool headless = finish.ends_with(line) && (phase_ == Phase::Received || phase_ == Phase::Failed);
    if (!afterGarbage && !headless) return false;
    onLoadFinish(exchange_, false);
    return true;
}

// "receive safe value" / "receive ip setting": the gateway waits for our block.
void ExchangeRules::onBlockAsked(Exchange exchange) {
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
    if (exchange == Exchange::SendSafeValue) {
        const uint32_t n = safeValueBlockBytes(session_.safeValueLayout);
        if (sendSafeValues_.size() != n) {
            // The block on hand does not fit the gateway's layout: sending a part
            // of it, or bytes beyond it, would store wrong safe values.
            view_.setOperation(Operation::SendSafeValueError);
            phase_ = Phase::Withheld;
            endJob(JobOutcome::BlockIncomplete);
            return;
        }
        view_.setOperation(Operation::SendSafeValue);
        port_.sendBlock(session_.portNumber, sendSafeValues_);
    } else {
        const IpSettingBlock block = encodeIpSettingBlock(sendIpSetting_);
        view_.setOperation(Operation::SendIpSetting);
        port_.sendBlock(session_.portNumber, block);
    }
    sendCommand(c::kTransmitEnd);
    startAnimation();
    phase_ = Phase::Sent;
}

void ExchangeRules::retarget(Exchange exchange) {
    if (exchange == exchange_) return;
    endJob(JobOutcome::NoAnswer);
    jobExchange_ = false;
    jobs_.forgetData();
    exchangeRaw_.clear();
}

// The gateway announces a block: whatever was asked, that block comes now.
void ExchangeRules::onAnnounce(Exchange exchange, BlockWorker::Kind kind) {
    retarget(exchange);
    exchange_ = exchange;
    phase_ = Phase::Receiving;
    exchangeQuietTicks_ = 0;
    startWorker(kind);
}

// A load's finish line. Only a block that came whole and is followed by the
// line itself completes the load; otherwise the load ends with its error.
void ExchangeRules::onLoadFinish(Exchange exchange, bool intactLine) {
    // Its exchange is over (a doubled line, or one after a time-out): nothing to finish.
    if (exchange_ != exchange) return;
    const bool whole = intactLine && phase_ == Phase::Received;
    if (!whole && phase_ != Phase::Failed) failLoad(exchange);
    if (whole) completeLoad(exchange);
    if (exchange != Exchange::FileName) animating_ = false;  // onWorkerDone stops it for names
    closeExchange();
    sendPrompt();
}

void ExchangeRules::completeLoad(Exchange exchange) {
    switch (exchange) {
    case Exchange::Parameter:
        if (pendingConfig_) {
            config_ = std::move(*pendingConfig_);
            spareConfig_ = std::move(pendingConfig_);
            view_.tell(LinkChange::TreeRebuilt);
        }
        session_.linkState = LinkState::Connected;
        session_.parameterLoaded = true;
        session_.parameterBlockRaw = exchangeRaw_;
        view_.setIpSettingMenu(config_.modelName == kModelHx3420);
        if (config_.systemModuleStatus == SystemModuleStatus::Present) {
            view_.setOperation(Operation::ParameterFinish);
        } else if (config_.systemModuleStatus == SystemModuleStatus::Misplaced) {
            view_.setOperation(Operation::SystemModuleAddressError);
        } else {
            view_.setOperation(Operation::SystemModuleMissing);
        }
        if (jobs_.running()) jobs_.data().config = std::make_shared<const GatewayConfig>(config_);
        endJob(JobOutcome::Done);
        break;
    case Exchange::LoadSafeValue:
        view_.setOperation(Operation::SafeValueReceived);
        // Kept whether a job asked or not: it is what the gateway holds now.
        if (pendingSafeValues_) session_.safeValueBytes = *pendingSafeValues_;
        if (jobExchange_) {
            if (pendingSafeValues_) jobs_.data().safeValues = *pendingSafeValues_;
            jobs_.data().safeValueLayout = session_.safeValueLayout;
            endJob(pendingSafeValues_ ? JobOutcome::Done : JobOutcome::BlockIncomplete);
        }
        break;
    case Exchange::LoadIpSetting:
        view_.setOperation(Operation::IpSettingReceived);
        if (jobExchange_) {
            if (pendingIpSetting_) jobs_.data().ipSetting = *pendingIpSetting_;
            endJob(pendingIpSetting_ ? JobOutcome::Done : JobOutcome::BlockIncomplete);
            break;
        }
        // A block no job asked for still tells what the gateway holds.
        if (pendingIpSetting_) ipSetting_ = *pendingIpSetting_;
        break;
    case Exchange::FileName:
        // Only a reply that parsed gets here: a failed one has said so already.
        if (pendingFileNames_) {
            session_.firmwareFileNames = pendingFileNames_->names;
            session_.fileCount = pendingFileNames_->fileCount;
            session_.fileNamesReceived = true;
            fileNameCompletion();
        }
        view_.setOperation(Operation::FileNameFinish);
        session_.fileNameReplyRaw = exchangeRaw_;
        if (jobs_.running()) {
            JobResult& names = jobs_.data();
            names.fileNames = session_.firmwareFileNames;
            names.fileCount = session_.fileCount;
            names.safeValueLayout = session_.safeValueLayout;
        }
        endJob(JobOutcome::Done);
        break;
    default: break;
    }
    dropPending();
}

// A load whose block did not come whole: the error shows at once, nothing of
// the block is installed, and the rest of it is dropped until its finish line.
void ExchangeRules::failLoad(Exchange exchange) {
    animating_ = false;
    switch (exchange) {
    case Exchange::Parameter:
        view_.setOperation(Operation::ParameterIncomplete);
        if (phase_ == Phase::Received) {
            // Taken as whole when it came, but its finish line shows it was
            // not: what was shown of an earlier load goes too, as the gateway
            // may have changed.
            config_.moduleCount = 0;
            view_.tell(LinkChange::TreeCleared);
            view_.tell(LinkChange::ListReset);
        }
        break;
    case Exchange::LoadSafeValue: view_.setOperation(Operation::ReceiveSafeValueError); break;
    case Exchange::LoadIpSetting: view_.setOperation(Operation::ReceiveIpSettingError); break;
    case Exchange::FileName:
        // A reply that looked whole (its last name took the head of the
        // finish line for its missing bytes) was never installed.
        fileNameFailure();
        break;
    default: return;
    }
    if (exchange == exchange_) endJob(JobOutcome::BlockIncomplete);
    dropPending();
    phase_ = Phase::Failed;
    firstDroppedLine_ = true;
}

void ExchangeRules::onReadEepromError() {
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

// The gateway's verdicts on a block it was sent: each ends its exchange.
bool ExchangeRules::handleSendResult(std::string_view line) {
    struct Verdict {
        std::string_view reply;
        Operation text;
        Exchange owner;
        JobOutcome outcome;
        GatewayError error;
    };
    using enum Operation;
    static constexpr Verdict kVerdicts[] = {
        {c::kReplySafeValueSent, SafeValueSent, Exchange::SendSafeValue, JobOutcome::Done, GatewayError::None},
        {c::kReplySaveSafeValueError, SaveSafeValueError, Exchange::SendSafeValue, JobOutcome::GatewayError,
         GatewayError::SaveFailed},
        {c::kReplyReceiveSafeValueError, SendSafeValueError, Exchange::SendSafeValue, JobOutcome::GatewayError,
         GatewayError::ReceiveFailed},
        {c::kReplyIpSettingSent, IpSettingSent, Exchange::SendIpSetting, JobOutcome::Done, GatewayError::None},
        {c::kReplySaveIpSettingError, SaveIpSettingError, Exchange::SendIpSetting, JobOutcome::GatewayError,
         GatewayError::SaveFailed},
        {c::kReplyReceiveIpSettingError, SendIpSettingError, Exchange::SendIpSetting, JobOutcome::GatewayError,
         GatewayError::ReceiveFailed},
    };
    for (const Verdict& v : kVerdicts) {
        if (line == v.reply) {
            finishTransfer(v.text, v.owner, v.outcome, v.error);
            return true;
        }
    }
    return false;
}

void ExchangeRules::finishTransfer(Operation text, Exchange owner, JobOutcome outcome, GatewayError error) {
    animating_ = false;
    view_.setOperation(text);
    // A verdict on an exchange no job asked for, or one that came late, ends no job.
    if (jobOwns(owner)) endJob(outcome, error);
    if (exchange_ == owner) closeExchange();
    // The prompt goes out only with no exchange left under way: a verdict that
    // comes late must not cut into another.
    if (exchange_ == Exchange::None) sendPrompt();
}

void ExchangeRules::startWorker(BlockWorker::Kind kind) {
    auto result = std::make_unique<BlockWorker::Result>();
    result->kind = kind;
    // Workers fill private copies; onWorkerDone installs them on this thread.
    if (kind == BlockWorker::Kind::Parameter) {
        result->config = spareConfig_ ? std::move(spareConfig_) : std::make_unique<GatewayConfig>();
        *result->config = config_;
    }
    if (kind == BlockWorker::Kind::FileName) {
        result->fileNames.names = session_.firmwareFileNames;
        result->fileNames.fileCount = session_.fileCount;
    }
    startAnimation();
    // Progress goes to the job that runs now, and only while it runs.
    worker_.start(std::move(result),
                  {session_.portNumber, session_.baud, safeValueBlockBytes(session_.safeValueLayout)},
                  jobs_.progressOfRunning());
}

void ExchangeRules::onWorkerDone(uint64_t ticket) {
    const std::unique_ptr<BlockWorker::Result> result = worker_.take(ticket);
    if (!result) return;  // a worker of a link that has since ended

    session_.linkState = LinkState::Connected;
    // A receive that ended because the device went away is no short block.
    if (endIfDeviceGone()) return;

    const bool whole = result->outcome.whole;
    phase_ = whole ? Phase::Received : Phase::Failed;
    if (whole) exchangeRaw_ = std::move(result->outcome.raw);
    firstDroppedLine_ = true;
    // What the worker received is installed here and not by the worker: the
    // window reads the session on this thread.
    switch (result->kind) {
    case BlockWorker::Kind::Parameter:
        // Shown when the gateway's finish line confirms the block: a block
        // short by a few bytes that took the head of a garbled finish line for
        // them looks whole, and only the line that fails to come tells.
        if (whole) {
            pendingConfig_ = std::move(result->config);
        } else {
            spareConfig_ = std::move(result->config);
            failLoad(Exchange::Parameter);
        }
        break;
    case BlockWorker::Kind::SafeValue:
        // Installed when the gateway's finish line confirms the block.
        if (whole) {
            pendingSafeValues_ = std::move(result->safeValueBytes);
        } else {
            failLoad(Exchange::LoadSafeValue);
        }
        break;
    case BlockWorker::Kind::IpSetting:
        // A partial block is no IP setting: the record on hand stays.
        if (whole) {
            pendingIpSetting_ = result->ipSetting;
        } else {
            failLoad(Exchange::LoadIpSetting);
        }
        break;
    case BlockWorker::Kind::FileName:
        animating_ = false;  // onLoadFinish leaves it to this, for names
        // Names that parsed are held until the finish line confirms them, as
        // the parameter block is.
        if (!result->fileNames.failed) {
            pendingFileNames_ = std::move(result->fileNames);
            break;
        }
        // The rest of a reply that did not parse is still to come.
        phase_ = Phase::Failed;
        if (exchange_ == Exchange::FileName) endJob(JobOutcome::BlockIncomplete);
        fileNameFailure();
        break;
    }

    // Lines the receive took in place of a short block's missing bytes came
    // before anything still unread.
    for (const std::string& line : result->outcome.linesAfter) {
        if (!session_.portOpen) break;
        handleLine(line);
    }
}

// The names are in: the layout of the safe values is known from here on. A
// job that asked for them ends with the finish line.
void ExchangeRules::fileNameCompletion() {
    session_.firmwareAutoQuery = false;
    session_.safeValueLayout =
        chooseSafeValueLayout(config_.modelName, session_.firmwareFileNames, session_.safeValueLayout);
}

// A reply that came but could not be read whole says nothing: not that the
// firmware lacks the query, nor which names it holds, nor the layout. What an
// earlier whole reply told stays; without one the automatic query is still to
// be answered, and everything that needs the layout waits or is refused.
void ExchangeRules::fileNameFailure() {
    view_.setOperation(Operation::FileNameError);
    session_.fileNamesReceived = false;
}

}  // namespace norvik
