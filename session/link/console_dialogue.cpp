#include "link/console_dialogue.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "firmware/file_names.h"
#include "link/block_receivers.h"
#include "serial/console_lines.h"
#include "safevalue/safe_value_layout.h"

namespace norvik {

namespace c = console;

namespace {

// A silent gateway must not be masked for ever by a safe-value job that waits
// for a layout the gateway never tells.
constexpr uint8_t kMaxQuietTicks = 10;

// Bytes of a block that came late, dropped in one tick before its finish line;
// a bound so that a gateway streaming garbage cannot hold the tick for ever.
constexpr int kMaxDroppedBytes = 4096;

// Lines one tick reads at most: a gateway streaming lines cannot hold it for ever.
constexpr int kMaxLinesPerTick = 64;

// Lines Disconnect reads, at most, looking for a send's acknowledgement.
constexpr int kMaxLinesLookedAtOnClose = 8;

}  // namespace

struct ConsoleDialogue::WorkerResult {
    WorkerKind kind = WorkerKind::Parameter;
    std::unique_ptr<GatewayConfig> config;  // the parameter worker's alone: it is large
    std::vector<uint8_t> safeValueBytes;
    IpSettingRecord ipSetting;
    FileNameReply fileNames;
    ReceiveOutcome outcome;
};

ConsoleDialogue::ConsoleDialogue(LinkSession& session, GatewayConfig& config, IpSettingRecord& ipSetting,
                                 SerialPort& port, LinkUi& ui, DialogueHooks hooks, DialoguePace pace)
    : session_(session),
      config_(config),
      ipSetting_(ipSetting),
      port_(port),
      ui_(ui),
      hooks_(std::move(hooks)),
      pace_(pace),
      runner_(hooks_.runner ? hooks_.runner : &ownRunner_),
      jobs_(hooks_.post, *hooks_.clock) {}

ConsoleDialogue::~ConsoleDialogue() {
    finishWorker();
    jobs_.endAll(JobOutcome::LinkLost);
}

// --- jobs --------------------------------------------------------------------

JobId ConsoleDialogue::submit(Job job, JobDone done, JobProgressHook progress) {
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
bool ConsoleDialogue::cancel(JobId id) { return jobs_.cancel(id); }

std::size_t ConsoleDialogue::pendingJobs() const { return jobs_.pending(); }

void ConsoleDialogue::endJob(JobOutcome outcome, GatewayError error) { jobs_.end(outcome, error, exchangeRaw_); }

void ConsoleDialogue::dropPending() {
    pendingSafeValues_.reset();
    pendingIpSetting_.reset();
    if (pendingConfig_) spareConfig_ = std::move(pendingConfig_);
    pendingFileNames_.reset();
}

// --- connection --------------------------------------------------------------

void ConsoleDialogue::connect(const PortSettings& settings) {
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
    ui_.setPortBoxesEnabled(false);
    session_.portOpen = true;
    session_.accessErrorShown = false;
    quietTicks_ = 0;
    lastLoad_ = LoadCommand::None;
    closeExchange();
    ui_.setPortLamp(true);
    ui_.setConnectionMenu(false, true);
    ui_.setLinkStatus(LinkStatus::PortOpen);
    if (!ui_.startPollTimer()) ui_.setLinkStatus(LinkStatus::TimerFailure);
    promptThisTick_ = false;
    heardSinceTick_ = false;
    sendPrompt();
}

void ConsoleDialogue::disconnect() {
    // The worker reads from the port: it is cut short and has ended before the
    // port closes.
    const bool cut = stopWorker();
    finishAcknowledgedSend();
    const uint32_t code = port_.closePort(session_.portNumber);
    if (code != 0) {
        // The port stays open and the link goes on; the block that was being
        // received did not come whole.
        port_.resumeWaits();
        if (cut) failLoad(exchange_);
        ui_.setLinkStatus(LinkStatus::CloseError, code);
        return;
    }
    endDisconnect();
}

// A gateway that has acknowledged a send waits for the block and takes what
// comes next for its bytes: the next Connect's prompts, and with them its
// answers, would be lost in it for seconds. So once it has acknowledged, its
// block and "transmit_end" go out whole before the port closes; before that,
// nothing is sent and the port closes at once. At 115200 baud the largest
// block takes 85 ms.
void ConsoleDialogue::finishAcknowledgedSend() {
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

void ConsoleDialogue::finishWorker() {
    stopWorker();
    port_.resumeWaits();
}

bool ConsoleDialogue::stopWorker() {
    const bool running = result_ != nullptr;
    if (runner_->running()) {
        port_.cancelWaits();
        runner_->join();
    }
    // Whatever the worker received belongs to a link that has ended or to a
    // receive cut short; its notice, if still queued, finds no result.
    result_.reset();
    return running;
}

// --- the ways a link ends ------------------------------------------------------

// Nothing was open: only the text and the box say so.
void ConsoleDialogue::endFailedOpen(uint16_t code) {
    ui_.setLinkStatus(LinkStatus::OpenError, code);
    ui_.showNotice(LinkNotice::OpenError);
}

// The user's Disconnect, and Exit with the port open.
void ConsoleDialogue::endDisconnect() {
    resetLink(LinkEnd::Disconnect);
    ui_.setLinkStatus(LinkStatus::PortClosed);
}

// The device went away under the open port: closed as Disconnect closes it, so
// that the user can plug it in again and press Connect.
void ConsoleDialogue::endLostDevice(uint32_t code) {
    stopWorker();
    // The descriptor is released whatever close reports.
    (void)port_.closePort(session_.portNumber);
    resetLink(LinkEnd::DeviceLost);
    ui_.setLinkStatus(LinkStatus::PortLost, code);
}

// The module's own notice. An exchange under way goes on all the same on the
// wire, as the notice was queued ahead of its answer: a gateway that has asked
// for a block may still be waiting for it, and a block on its way is dropped
// up to its finish line, not installed.
void ConsoleDialogue::endDisconnectNotice() {
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
void ConsoleDialogue::resetLink(LinkEnd end) {
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
        ui_.setPortBoxesEnabled(true);
        session_.portOpen = false;
        ui_.setPortLamp(false);
    }
    animating_ = false;
    config_.moduleCount = 0;
    session_.parameterLoaded = false;
    session_.linkState = LinkState::NotConnected;
    ui_.setModuleLamp(false);
    if (portClosed) {
        ui_.setConnectionMenu(true, false);
    } else {
        ui_.setLinkStatus(LinkStatus::Lost);
    }
    ui_.setOperation(Operation::None);
    ui_.clearTree();
    ui_.resetList();
    if (portClosed) {
        ui_.stopPollTimer();
        ui_.stopAnimationTimer();
        progressStep_ = 0;
        ui_.setProgress(0);
    }
}

bool ConsoleDialogue::endIfDeviceGone() {
    const uint32_t code = port_.deviceError();
    if (code == 0) return false;
    endLostDevice(code);
    return true;
}

// --- the tick ----------------------------------------------------------------

void ConsoleDialogue::onPollTimer() {
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

void ConsoleDialogue::onLinesArrived() {
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
void ConsoleDialogue::keepAlive() {
    if (!session_.portOpen || exchange_ != Exchange::None || workerBusy() || promptOutstanding_) return;
    sendCommand(c::kPrompt);
}

std::optional<bool> ConsoleDialogue::readReplies(uint16_t firstWaitMs) {
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

// After a block that came short or late, the rest of it may still arrive:
// raw bytes, zeros and line ends among them, that no line read could be
// trusted with. They are dropped up to the exchange's finish line, which may
// stand behind them on one line or, right after a block that took its head,
// arrive without its head.
ConsoleDialogue::Drop ConsoleDialogue::dropToFinishLine() {
    const std::string_view finish = finishLineOf(exchange_);
    std::string line;
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

bool ConsoleDialogue::handleLine(std::string_view line) {
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

bool ConsoleDialogue::handleReply(std::string_view line) {
    if (handleSendResult(line)) return true;
    if (line == c::kReplyConnect) {
        onConnectReply();
    } else if (line == c::kReplyParameter) {
        session_.linkState = LinkState::LoadingParameters;
        ui_.setOperation(Operation::ReceiveParameter);
        onAnnounce(Exchange::Parameter, WorkerKind::Parameter);
    } else if (line == c::kReplyParameterFinish) {
        onLoadFinish(Exchange::Parameter, true);
    } else if (line == c::kReplyReceiveSafeValue) {
        onBlockAsked(Exchange::SendSafeValue);
    } else if (line == c::kReplySafeValue) {
        ui_.setOperation(Operation::ReceiveSafeValue);
        onAnnounce(Exchange::LoadSafeValue, WorkerKind::SafeValue);
    } else if (line == c::kReplySafeValueFinish) {
        onLoadFinish(Exchange::LoadSafeValue, true);
    } else if (line == c::kReplyReadEepromError) {
        onReadEepromError();
    } else if (line == c::kReplyReceiveIpSetting) {
        onBlockAsked(Exchange::SendIpSetting);
    } else if (line == c::kReplyIpSetting) {
        ui_.setOperation(Operation::ReceiveIpSetting);
        onAnnounce(Exchange::LoadIpSetting, WorkerKind::IpSetting);
    } else if (line == c::kReplyIpSettingFinish) {
        onLoadFinish(Exchange::LoadIpSetting, true);
    } else if (line == c::kReplyFileName) {
        ui_.setOperation(Operation::ReceiveFileName);
        onAnnounce(Exchange::FileName, WorkerKind::FileName);
    } else if (line == c::kReplyFileNameFinish) {
        onLoadFinish(Exchange::FileName, true);
    } else if (line == c::kReplyDisconnect) {
        endDisconnectNotice();
    } else {
        return false;
    }
    return true;
}

const char* ConsoleDialogue::finishLineOf(Exchange exchange) {
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
bool ConsoleDialogue::handleBrokenFinish(std::string_view line) {
    const std::string_view finish = finishLineOf(exchange_);
    if (finish.empty() || line.empty() || line == finish) return false;
    const bool afterGarbage = line.ends_with(finish);
    const bool headless = finish.ends_with(line) && (phase_ == Phase::Received || phase_ == Phase::Failed);
    if (!afterGarbage && !headless) return false;
    onLoadFinish(exchange_, false);
    return true;
}

void ConsoleDialogue::onConnectReply() {
    promptOutstanding_ = false;
    session_.linkState = LinkState::Connected;
    session_.accessErrorShown = true;
    ui_.setLinkStatus(LinkStatus::Connected);
    ui_.setModuleLamp(true);
    session_.missCount = 0;
    // A reply queued behind the one that started the exchange: the exchange is
    // under way, and a second command would land in it. One read after this
    // tick's prompt answers an earlier prompt: the next command waits for the
    // answer to this one.
    if (exchange_ != Exchange::None || promptThisTick_) return;
    sendNextCommand();
}

// "receive safe value" / "receive ip setting": the gateway waits for our block.
void ConsoleDialogue::onBlockAsked(Exchange exchange) {
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
            ui_.setOperation(Operation::SendSafeValueError);
            phase_ = Phase::Withheld;
            endJob(JobOutcome::BlockIncomplete);
            return;
        }
        ui_.setOperation(Operation::SendSafeValue);
        port_.sendBlock(session_.portNumber, sendSafeValues_);
    } else {
        const IpSettingBlock block = encodeIpSettingBlock(sendIpSetting_);
        ui_.setOperation(Operation::SendIpSetting);
        port_.sendBlock(session_.portNumber, block);
    }
    sendCommand(c::kTransmitEnd);
    startAnimation();
    phase_ = Phase::Sent;
}

// The gateway announces a block: whatever was asked, that block comes now.
void ConsoleDialogue::onAnnounce(Exchange exchange, WorkerKind kind) {
    retarget(exchange);
    exchange_ = exchange;
    phase_ = Phase::Receiving;
    exchangeQuietTicks_ = 0;
    startWorker(kind);
}

// A load's finish line. Only a block that came whole and is followed by the
// line itself completes the load; otherwise the load ends with its error.
void ConsoleDialogue::onLoadFinish(Exchange exchange, bool intactLine) {
    // Its exchange is over (a doubled line, or one after a time-out): nothing to finish.
    if (exchange_ != exchange) return;
    const bool whole = intactLine && phase_ == Phase::Received;
    if (!whole && phase_ != Phase::Failed) failLoad(exchange);
    if (whole) completeLoad(exchange);
    if (exchange != Exchange::FileName) animating_ = false;  // onWorkerDone stops it for names
    closeExchange();
    sendPrompt();
}

void ConsoleDialogue::completeLoad(Exchange exchange) {
    switch (exchange) {
    case Exchange::Parameter:
        if (pendingConfig_) {
            config_ = std::move(*pendingConfig_);
            spareConfig_ = std::move(pendingConfig_);
            ui_.rebuildTree();
        }
        session_.linkState = LinkState::Connected;
        session_.parameterLoaded = true;
        session_.parameterBlockRaw = exchangeRaw_;
        ui_.setIpSettingMenu(config_.modelName == kModelHx3420);
        if (config_.systemModuleStatus == SystemModuleStatus::Present) {
            ui_.setOperation(Operation::ParameterFinish);
        } else if (config_.systemModuleStatus == SystemModuleStatus::Misplaced) {
            ui_.setOperation(Operation::SystemModuleAddressError);
        } else {
            ui_.setOperation(Operation::SystemModuleMissing);
        }
        if (jobs_.running()) jobs_.data().config = std::make_shared<const GatewayConfig>(config_);
        endJob(JobOutcome::Done);
        break;
    case Exchange::LoadSafeValue:
        ui_.setOperation(Operation::SafeValueReceived);
        // Kept whether a job asked or not: it is what the gateway holds now.
        if (pendingSafeValues_) session_.safeValueBytes = *pendingSafeValues_;
        if (jobExchange_) {
            if (pendingSafeValues_) jobs_.data().safeValues = *pendingSafeValues_;
            jobs_.data().safeValueLayout = session_.safeValueLayout;
            endJob(pendingSafeValues_ ? JobOutcome::Done : JobOutcome::BlockIncomplete);
        }
        break;
    case Exchange::LoadIpSetting:
        ui_.setOperation(Operation::IpSettingReceived);
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
        ui_.setOperation(Operation::FileNameFinish);
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
void ConsoleDialogue::failLoad(Exchange exchange) {
    animating_ = false;
    switch (exchange) {
    case Exchange::Parameter:
        ui_.setOperation(Operation::ParameterIncomplete);
        if (phase_ == Phase::Received) {
            // Taken as whole when it came, but its finish line shows it was
            // not: what was shown of an earlier load goes too, as the gateway
            // may have changed.
            config_.moduleCount = 0;
            ui_.clearTree();
            ui_.resetList();
        }
        break;
    case Exchange::LoadSafeValue: ui_.setOperation(Operation::ReceiveSafeValueError); break;
    case Exchange::LoadIpSetting: ui_.setOperation(Operation::ReceiveIpSettingError); break;
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

void ConsoleDialogue::onReadEepromError() {
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
bool ConsoleDialogue::handleSendResult(std::string_view line) {
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

void ConsoleDialogue::finishTransfer(Operation text, Exchange owner, JobOutcome outcome, GatewayError error) {
    animating_ = false;
    ui_.setOperation(text);
    // A verdict on an exchange no job asked for, or one that came late, ends no job.
    if (jobOwns(owner)) endJob(outcome, error);
    if (exchange_ == owner) closeExchange();
    // The prompt goes out only with no exchange left under way: a verdict that
    // comes late must not cut into another.
    if (exchange_ == Exchange::None) sendPrompt();
}

void ConsoleDialogue::silence() {
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
        ui_.showNotice(LinkNotice::AccessError);
    }
}

// The gateway said nothing of the exchange for too long: it missed the command
// (the next "connect" asks again, as the request is still pending) or its last
// line was lost. A block already received is not installed without it.
void ConsoleDialogue::giveUpExchange() {
    if (phase_ == Phase::Received || phase_ == Phase::Failed) animating_ = false;
    // A load whose block came but not its finish line: its reply was not read
    // whole, which is no silence.
    const bool replied = phase_ == Phase::Received || phase_ == Phase::Failed;
    if (exchange_ == Exchange::FileName && replied) fileNameFailure();
    endJob(replied ? JobOutcome::BlockIncomplete : JobOutcome::NoAnswer);
    closeExchange();
}

void ConsoleDialogue::closeExchange() {
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

// --- commands ----------------------------------------------------------------

void ConsoleDialogue::sendCommand(const char* text) {
    port_.sendLine(session_.portNumber, text);
    sentThisTick_ = true;
    if (std::string_view(text) == c::kPrompt) promptOutstanding_ = true;
}

void ConsoleDialogue::sendPrompt() {
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

void ConsoleDialogue::ask(Exchange exchange, const char* command) {
    exchange_ = exchange;
    phase_ = Phase::Asked;
    exchangeQuietTicks_ = 0;
    sendCommand(command);
}

void ConsoleDialogue::retarget(Exchange exchange) {
    if (exchange == exchange_) return;
    endJob(JobOutcome::NoAnswer);
    jobExchange_ = false;
    jobs_.forgetData();
    exchangeRaw_.clear();
}

void ConsoleDialogue::askFor(Exchange exchange, const char* command, JobKind job) {
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
void ConsoleDialogue::sendNextCommand() {
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

// --- animation ---------------------------------------------------------------

void ConsoleDialogue::startAnimation() {
    ui_.startAnimationTimer();
    animating_ = true;
}

void ConsoleDialogue::onAnimationTimer() {
    if (animating_) {
        progressStep_ = static_cast<uint8_t>(progressStep_ + 1);
        if (progressStep_ > 9) progressStep_ = 0;
        ui_.setProgress(progressStep_);
    } else {
        progressStep_ = 0;
        ui_.setProgress(0);
        ui_.stopAnimationTimer();
    }
}

// --- workers -----------------------------------------------------------------

void ConsoleDialogue::startWorker(WorkerKind kind) {
    runner_->join();  // an earlier worker whose notice never came

    auto result = std::make_unique<WorkerResult>();
    result->kind = kind;
    // Workers fill private copies; onWorkerDone installs them on this thread.
    if (kind == WorkerKind::Parameter) {
        result->config = spareConfig_ ? std::move(spareConfig_) : std::make_unique<GatewayConfig>();
        *result->config = config_;
    }
    if (kind == WorkerKind::FileName) {
        result->fileNames.names = session_.firmwareFileNames;
        result->fileNames.fileCount = session_.fileCount;
    }
    const uint32_t safeValueSize = safeValueBlockBytes(session_.safeValueLayout);

    result_ = std::move(result);
    const uint64_t ticket = ++ticket_;
    WorkerResult* out = result_.get();
    SerialPort* port = &port_;
    const uint8_t portNumber = session_.portNumber;
    const uint32_t baud = session_.baud;
    // Progress goes to the job that runs now, and only while it runs.
    const ReceiveProgress progress = jobs_.progressOfRunning();
    PostHook post = hooks_.post;
    std::weak_ptr<int> alive = alive_;

    startAnimation();
    runner_->start([=, this] {
        switch (out->kind) {
        case WorkerKind::Parameter:
            out->outcome = parseParameterBlock(*port, portNumber, baud, *out->config, progress);
            break;
        case WorkerKind::SafeValue:
            out->outcome = safeValueWorker(*port, portNumber, baud, safeValueSize, out->safeValueBytes, progress);
            break;
        case WorkerKind::IpSetting:
            out->outcome = ipSettingWorker(*port, portNumber, baud, out->ipSetting, progress);
            break;
        case WorkerKind::FileName:
            out->outcome = fileNameWorker(*port, portNumber, baud, out->fileNames, progress);
            break;
        }
        // The last thing the worker does: after it, the dialogue may join it.
        if (post) {
            post([this, alive, ticket] {
                if (!alive.expired()) onWorkerDone(ticket);
            });
        }
    });
}

void ConsoleDialogue::onWorkerDone(uint64_t ticket) {
    if (!result_ || ticket != ticket_) return;  // a worker of a link that has since ended
    runner_->join();
    const std::unique_ptr<WorkerResult> result = std::move(result_);

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
    case WorkerKind::Parameter:
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
    case WorkerKind::SafeValue:
        // Installed when the gateway's finish line confirms the block.
        if (whole) {
            pendingSafeValues_ = std::move(result->safeValueBytes);
        } else {
            failLoad(Exchange::LoadSafeValue);
        }
        break;
    case WorkerKind::IpSetting:
        // A partial block is no IP setting: the record on hand stays.
        if (whole) {
            pendingIpSetting_ = result->ipSetting;
        } else {
            failLoad(Exchange::LoadIpSetting);
        }
        break;
    case WorkerKind::FileName:
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
void ConsoleDialogue::fileNameCompletion() {
    session_.firmwareAutoQuery = false;
    session_.safeValueLayout =
        chooseSafeValueLayout(config_.modelName, session_.firmwareFileNames, session_.safeValueLayout);
}

// A reply that came but could not be read whole says nothing: not that the
// firmware lacks the query, nor which names it holds, nor the layout. What an
// earlier whole reply told stays; without one the automatic query is still to
// be answered, and everything that needs the layout waits or is refused.
void ConsoleDialogue::fileNameFailure() {
    ui_.setOperation(Operation::FileNameError);
    session_.fileNamesReceived = false;
}

}  // namespace norvik
