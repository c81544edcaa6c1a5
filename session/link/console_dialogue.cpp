#include "link/console_dialogue.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "firmware/file_names.h"
#include "link/block_receivers.h"
#include "link/console_texts.h"
#include "safevalue/safe_value_layout.h"

namespace norvik {

namespace c = console;

namespace {

// A silent gateway must not be masked for ever by a safe-value request that no
// dialog is waiting for any more.
constexpr uint8_t kMaxQuietTicks = 10;

// Bytes of a block that came late, dropped in one tick before its finish line;
// a bound so that a gateway streaming garbage cannot hold the tick for ever.
constexpr int kMaxDroppedBytes = 4096;

// Lines Disconnect reads, at most, looking for a send's acknowledgement.
constexpr int kMaxLinesLookedAtOnClose = 8;

std::string formatCode(const char* format, unsigned code) {
    char text[64];
    std::snprintf(text, sizeof text, format, code);
    return text;
}

}  // namespace

struct ConsoleDialogue::WorkerResult {
    WorkerKind kind = WorkerKind::Parameter;
    GatewayConfig config;
    std::vector<uint8_t> safeValueBytes;
    IpSettingRecord ipSetting;
    FileNameReply fileNames;
    ReceiveOutcome outcome;
};

ConsoleDialogue::ConsoleDialogue(LinkSession& session, GatewayConfig& config, IpSettingRecord& ipSetting,
                                 SerialPort& port, LinkUi& ui)
    : session_(session), config_(config), ipSetting_(ipSetting), port_(port), ui_(ui) {}

ConsoleDialogue::~ConsoleDialogue() { finishWorker(); }

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
    session_.setFirmwareState(FirmwareQueryState::Idle);
    session_.firmwareAutoQuery = true;
    session_.fileCount = 0;
    session_.safeValueLayout = SafeValueLayout::Block512;
    ui_.setPortBoxesEnabled(false);
    session_.portOpen = true;
    session_.parameterPending = false;
    session_.fileNamePending = false;
    session_.workerBusy = false;
    session_.accessErrorShown = false;
    session_.quietTicks = 0;
    lastLoad_ = LoadCommand::None;
    closeExchange();
    ui_.setPortLamp(true);
    ui_.setConnectionMenu(false, true);
    ui_.setLinkText(c::kLinkPortOpen);
    if (!ui_.startPollTimer()) ui_.setLinkText(c::kLinkTimerFailure);
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
        ui_.setLinkText(formatCode(c::kLinkCloseErrorFormat, code));
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
        int nothing = 0;
        for (int i = 0; i < kMaxLinesLookedAtOnClose && nothing < 2; ++i) {
            const std::string line =
                port_.receiveLine(session_.portNumber, blockTimeout(session_.baud, kLineTimeoutBytes));
            nothing = line.empty() ? nothing + 1 : 0;
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
    const bool running = worker_.joinable();
    if (running) {
        port_.cancelWaits();
        worker_.join();
    }
    // Whatever the worker received belongs to a link that has ended or to a
    // receive cut short; its notice, if still queued, finds no result.
    result_.reset();
    session_.workerBusy = false;
    session_.parameterPending = false;
    session_.fileNamePending = false;
    return running;
}

// --- the ways a link ends ------------------------------------------------------

// Nothing was open: only the text and the box say so.
void ConsoleDialogue::endFailedOpen(uint16_t code) {
    ui_.setLinkText(formatCode(c::kLinkOpenErrorFormat, code));
    ui_.showMessage(c::kTitleError, c::kOpenErrorBox);
}

// The user's Disconnect, and Exit with the port open.
void ConsoleDialogue::endDisconnect() {
    resetClosedPort();
    ui_.setLinkText(c::kLinkPortClosed);
}

// The device went away under the open port: closed as Disconnect closes it, so
// that the user can plug it in again and press Connect.
void ConsoleDialogue::endLostDevice(uint32_t code) {
    stopWorker();
    // The descriptor is released whatever close reports.
    (void)port_.closePort(session_.portNumber);
    resetClosedPort();
    ui_.setLinkText(formatCode(c::kLinkPortLostFormat, code));
}

// Two silent ticks in a row: the module is gone, and what the firmware query
// learnt goes with it.
void ConsoleDialogue::endLinkLoss() {
    session_.setFirmwareState(FirmwareQueryState::Idle);
    session_.firmwareAutoQuery = true;
    session_.safeValueLayout = SafeValueLayout::Block512;
    closeExchange();
    resetModuleGone();
}

// The module's own notice: what the firmware query learnt stays valid. An
// exchange under way goes on all the same, as the notice was queued ahead of
// its answer: a gateway that has asked for a block may still be waiting for
// it, and a block on its way is dropped up to its finish line, not installed.
void ConsoleDialogue::endDisconnectNotice() {
    switch (exchange_) {
    case Exchange::SendSafeValue:
    case Exchange::SendIpSetting:
        if (phase_ == Phase::Asked) phase_ = Phase::Withheld;
        break;
    case Exchange::None:
        break;
    default:
        pendingSafeValues_.reset();
        pendingIpSetting_.reset();
        phase_ = Phase::Failed;
        firstDroppedLine_ = true;
        break;
    }
    resetModuleGone();
}

// What a closed port shows, after Disconnect or a lost device. The transfer
// codes keep their values: each dialog sets them anew when it opens.
void ConsoleDialogue::resetClosedPort() {
    closeExchange();
    lastLoad_ = LoadCommand::None;
    ui_.setPortBoxesEnabled(true);
    session_.portOpen = false;
    session_.setFirmwareState(FirmwareQueryState::Idle);
    session_.firmwareAutoQuery = true;
    session_.safeValueLayout = SafeValueLayout::Block512;
    ui_.setPortLamp(false);
    session_.workerBusy = false;
    config_.moduleCount = 0;
    session_.parameterLoaded = false;
    session_.linkState = LinkState::NotConnected;
    ui_.setModuleLamp(false);
    ui_.setConnectionMenu(true, false);
    ui_.setOperationText("");
    ui_.clearTree();
    ui_.resetList();
    ui_.stopPollTimer();
    ui_.stopAnimationTimer();
    session_.animating = false;
    session_.progressStep = 0;
    ui_.setProgress(0);
}

// The module is gone while the port stays open: the link state, the lamp and
// the tree say so.
void ConsoleDialogue::resetModuleGone() {
    session_.animating = false;
    session_.linkState = LinkState::NotConnected;
    session_.parameterLoaded = false;
    session_.workerBusy = false;
    config_.moduleCount = 0;
    ui_.setLinkText(c::kLinkLost);
    ui_.setOperationText("");
    ui_.setModuleLamp(false);
    session_.safeValueTransfer = TransferState::Idle;
    ui_.clearTree();
    ui_.resetList();
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
    if (session_.workerBusy) return;
    if (endIfDeviceGone()) return;
    if (exchange_ != Exchange::None && phase_ == Phase::Failed) {
        const Drop drop = dropToFinishLine();
        if (endIfDeviceGone()) return;
        if (drop == Drop::Finished) {
            session_.quietTicks = 0;
            onLoadFinish(exchange_, false);
        } else if (drop == Drop::Dropped) {
            // The gateway is still sending what belongs to the exchange.
            exchangeQuietTicks_ = 0;
        } else {
            silence();
        }
        return;
    }
    const std::string line = port_.receiveLine(session_.portNumber, blockTimeout(session_.baud, kLineTimeoutBytes));
    if (endIfDeviceGone()) return;
    if (handleLine(line)) {
        session_.quietTicks = 0;
    } else {
        silence();
    }
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

bool ConsoleDialogue::handleLine(const std::string& line) {
    return handleBrokenFinish(line) || handleReply(line);
}

bool ConsoleDialogue::handleReply(const std::string& line) {
    if (handleSendResult(line)) return true;
    if (line == c::kReplyConnect) {
        onConnectReply();
    } else if (line == c::kReplyParameter) {
        session_.linkState = LinkState::LoadingParameters;
        ui_.setOperationText(c::kOpReceiveParameter);
        session_.parameterPending = true;
        onAnnounce(Exchange::Parameter, WorkerKind::Parameter);
    } else if (line == c::kReplyParameterFinish) {
        onLoadFinish(Exchange::Parameter, true);
    } else if (line == c::kReplyReceiveSafeValue) {
        onBlockAsked(Exchange::SendSafeValue);
    } else if (line == c::kReplySafeValue) {
        ui_.setOperationText(c::kOpReceiveSafeValue);
        onAnnounce(Exchange::LoadSafeValue, WorkerKind::SafeValue);
    } else if (line == c::kReplySafeValueFinish) {
        onLoadFinish(Exchange::LoadSafeValue, true);
    } else if (line == c::kReplyReadEepromError) {
        onReadEepromError();
    } else if (line == c::kReplyReceiveIpSetting) {
        onBlockAsked(Exchange::SendIpSetting);
    } else if (line == c::kReplyIpSetting) {
        ui_.setOperationText(c::kOpReceiveIpSetting);
        onAnnounce(Exchange::LoadIpSetting, WorkerKind::IpSetting);
    } else if (line == c::kReplyIpSettingFinish) {
        onLoadFinish(Exchange::LoadIpSetting, true);
    } else if (line == c::kReplyFileName) {
        ui_.setOperationText(c::kOpReceiveFileName);
        session_.setFirmwareState(FirmwareQueryState::Receiving);
        session_.fileNamePending = true;
        namesBefore_ = session_.firmwareFileNames;
        layoutBefore_ = session_.safeValueLayout;
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
bool ConsoleDialogue::handleBrokenFinish(const std::string& line) {
    const std::string_view finish = finishLineOf(exchange_);
    if (finish.empty() || line.empty() || line == finish) return false;
    const bool afterGarbage = line.ends_with(finish);
    const bool headless = finish.ends_with(line) && (phase_ == Phase::Received || phase_ == Phase::Failed);
    if (!afterGarbage && !headless) return false;
    onLoadFinish(exchange_, false);
    return true;
}

void ConsoleDialogue::onConnectReply() {
    session_.linkState = LinkState::Connected;
    session_.accessErrorShown = true;
    ui_.setLinkText(c::kLinkConnected);
    ui_.setModuleLamp(true);
    session_.missCount = 0;
    // A reply queued behind the one that started the exchange: the exchange is
    // under way, and a second command would land in it.
    if (exchange_ != Exchange::None) return;
    sendNextCommand();
}

// "receive safe value" / "receive ip setting": the gateway waits for our block.
void ConsoleDialogue::onBlockAsked(Exchange exchange) {
    if (exchange_ != exchange || phase_ != Phase::Asked) {
        // No command of ours is waiting for this (a doubled line, or one after
        // the module's disconnect notice): no block goes out, and nothing else
        // either while the gateway may take it for block bytes.
        exchange_ = exchange;
        phase_ = Phase::Withheld;
        exchangeQuietTicks_ = 0;
        return;
    }
    exchangeQuietTicks_ = 0;
    if (exchange == Exchange::SendSafeValue) {
        const uint32_t n = safeValueBlockBytes(session_.safeValueLayout);
        if (session_.safeValueBytes.size() != n) {
            // The block on hand does not fit the gateway's layout: sending a part
            // of it, or bytes beyond it, would store wrong safe values.
            session_.safeValueTransfer = TransferState::SendError;
            ui_.setOperationText(c::kOpSendSafeValueError);
            phase_ = Phase::Withheld;
            return;
        }
        ui_.setOperationText(c::kOpSendSafeValue);
        port_.sendBlock(session_.portNumber, session_.safeValueBytes);
    } else {
        const IpSettingBlock block = encodeIpSettingBlock(ipSetting_);
        ui_.setOperationText(c::kOpSendIpSetting);
        port_.sendBlock(session_.portNumber, block);
    }
    sendCommand(c::kTransmitEnd);
    startAnimation();
    phase_ = Phase::Sent;
}

// The gateway announces a block: whatever was asked, that block comes now.
void ConsoleDialogue::onAnnounce(Exchange exchange, WorkerKind kind) {
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
    if (exchange != Exchange::FileName) session_.animating = false;  // onWorkerDone stops it for names
    closeExchange();
    sendPrompt();
}

void ConsoleDialogue::completeLoad(Exchange exchange) {
    switch (exchange) {
    case Exchange::Parameter:
        session_.linkState = LinkState::Connected;
        session_.parameterLoaded = true;
        ui_.setIpSettingMenu(config_.modelName == kModelHx3420);
        if (config_.systemModuleStatus == SystemModuleStatus::Present) {
            ui_.setOperationText(c::kOpParameterFinish);
        } else if (config_.systemModuleStatus == SystemModuleStatus::Misplaced) {
            ui_.setOperationText(c::kOpSystemModuleAddressError);
        } else {
            ui_.setOperationText(c::kOpSystemModuleMissing);
        }
        break;
    case Exchange::LoadSafeValue:
        if (pendingSafeValues_) {
            session_.safeValueBytes.insert(session_.safeValueBytes.end(), pendingSafeValues_->begin(),
                                           pendingSafeValues_->end());
        }
        ui_.setOperationText(c::kOpSafeValueReceived);
        if (session_.safeValueTransfer != TransferState::ReceiveError)
            session_.safeValueTransfer = TransferState::ReceiveFinished;
        break;
    case Exchange::LoadIpSetting:
        if (pendingIpSetting_) ipSetting_ = *pendingIpSetting_;
        ui_.setOperationText(c::kOpIpSettingReceived);
        if (session_.ipSettingTransfer != TransferState::ReceiveError)
            session_.ipSettingTransfer = TransferState::ReceiveFinished;
        break;
    case Exchange::FileName:
        // A failed reply has already said so; the gateway's "finish" must not hide it.
        if (session_.firmwareState() != FirmwareQueryState::ReceiveError) ui_.setOperationText(c::kOpFileNameFinish);
        break;
    default:
        break;
    }
    pendingSafeValues_.reset();
    pendingIpSetting_.reset();
}

// A load whose block did not come whole: the error shows at once, nothing of
// the block is installed, and the rest of it is dropped until its finish line.
void ConsoleDialogue::failLoad(Exchange exchange) {
    session_.animating = false;
    switch (exchange) {
    case Exchange::Parameter:
        ui_.setOperationText(c::kOpParameterIncomplete);
        if (phase_ == Phase::Received) {
            // Taken as whole when it came, but its finish line shows it was not.
            config_.moduleCount = 0;
            ui_.clearTree();
            ui_.resetList();
        }
        break;
    case Exchange::LoadSafeValue:
        session_.safeValueTransfer = TransferState::ReceiveError;
        ui_.setOperationText(c::kOpReceiveSafeValueError);
        break;
    case Exchange::LoadIpSetting:
        session_.ipSettingTransfer = TransferState::ReceiveError;
        ui_.setOperationText(c::kOpReceiveIpSettingError);
        break;
    case Exchange::FileName:
        session_.setFirmwareState(FirmwareQueryState::ReceiveError);
        ui_.setOperationText(c::kOpFileNameError);
        if (phase_ == Phase::Received && session_.fileCount > 0) {
            // The last name took the head of the finish line for its missing
            // bytes; the layout it chose goes with it.
            const std::size_t last = std::min<std::size_t>(session_.fileCount, kFileNameSlots) - 1;
            session_.firmwareFileNames[last] = namesBefore_[last];
            session_.safeValueLayout =
                chooseSafeValueLayout(config_.modelName, session_.firmwareFileNames, layoutBefore_);
        }
        break;
    default:
        return;
    }
    pendingSafeValues_.reset();
    pendingIpSetting_.reset();
    phase_ = Phase::Failed;
    firstDroppedLine_ = true;
}

void ConsoleDialogue::onReadEepromError() {
    // The error belongs to the load under way; without one, to the load asked
    // for last; without that, the pending IP load decides.
    bool ip = false;
    if (exchange_ == Exchange::LoadIpSetting || exchange_ == Exchange::LoadSafeValue) {
        ip = exchange_ == Exchange::LoadIpSetting;
    } else {
        ip = lastLoad_ == LoadCommand::IpSetting ||
             (lastLoad_ == LoadCommand::None && session_.ipSettingTransfer == TransferState::LoadRequested);
    }
    if (ip) {
        finishTransfer(session_.ipSettingTransfer, TransferState::ReadError, c::kOpReadIpSettingError,
                       Exchange::LoadIpSetting);
    } else {
        finishTransfer(session_.safeValueTransfer, TransferState::ReadError, c::kOpReadSafeValueError,
                       Exchange::LoadSafeValue);
    }
}

// The gateway's verdicts on a block it was sent: each ends its transfer with a code.
bool ConsoleDialogue::handleSendResult(const std::string& line) {
    struct Verdict {
        const char* reply;
        TransferCell LinkSession::*transfer;
        TransferState code;
        const char* text;
        Exchange owner;
    };
    static constexpr Verdict kVerdicts[] = {
        {c::kReplySafeValueSent, &LinkSession::safeValueTransfer, TransferState::SendFinished, c::kOpSafeValueSent,
         Exchange::SendSafeValue},
        {c::kReplySaveSafeValueError, &LinkSession::safeValueTransfer, TransferState::SaveError, c::kOpSaveSafeValueError,
         Exchange::SendSafeValue},
        {c::kReplyReceiveSafeValueError, &LinkSession::safeValueTransfer, TransferState::SendError,
         c::kOpSendSafeValueError, Exchange::SendSafeValue},
        {c::kReplyIpSettingSent, &LinkSession::ipSettingTransfer, TransferState::SendFinished, c::kOpIpSettingSent,
         Exchange::SendIpSetting},
        {c::kReplySaveIpSettingError, &LinkSession::ipSettingTransfer, TransferState::SaveError, c::kOpSaveIpSettingError,
         Exchange::SendIpSetting},
        {c::kReplyReceiveIpSettingError, &LinkSession::ipSettingTransfer, TransferState::SendError,
         c::kOpSendIpSettingError, Exchange::SendIpSetting},
    };
    for (const Verdict& v : kVerdicts) {
        if (line == v.reply) {
            finishTransfer(session_.*v.transfer, v.code, v.text, v.owner);
            return true;
        }
    }
    return false;
}

void ConsoleDialogue::finishTransfer(TransferCell& transfer, TransferState code, const char* text, Exchange owner) {
    session_.animating = false;
    ui_.setOperationText(text);
    transfer = code;
    if (exchange_ == owner) closeExchange();
    // The prompt goes out only with no exchange left under way: a verdict that
    // comes late must not cut into another.
    if (exchange_ == Exchange::None) sendPrompt();
}

void ConsoleDialogue::silence() {
    const bool safeValuePending = session_.safeValueTransfer == TransferState::SendRequested ||
                                  session_.safeValueTransfer == TransferState::LoadRequested;
    const bool quietForSafeValue = safeValuePending && session_.linkState == LinkState::Connected &&
                                   session_.quietTicks < kMaxQuietTicks;
    if (quietForSafeValue) ++session_.quietTicks;
    if (exchange_ != Exchange::None) {
        // The answer may still come; whatever went out now could land in it.
        if (++exchangeQuietTicks_ < kExchangeTimeoutTicks) return;
        giveUpExchange();
    }
    if (session_.linkState == LinkState::LoadingParameters ||
        session_.firmwareState() == FirmwareQueryState::Receiving || quietForSafeValue) {
        return;
    }
    sendPrompt();
    if (session_.linkState == LinkState::Connected) {
        if (session_.missCount >= 1) endLinkLoss();
        ++session_.missCount;
    }
    if (!session_.accessErrorShown) {
        // Set before the box opens: ticks go on while it is shown.
        session_.accessErrorShown = true;
        ui_.showMessage(c::kTitleError, c::kAccessErrorBox);
    }
}

// The gateway said nothing of the exchange for too long: it missed the command
// (the next "connect" asks again, as the request is still pending) or its last
// line was lost. A block already received is not installed without it.
void ConsoleDialogue::giveUpExchange() {
    if (phase_ == Phase::Received || phase_ == Phase::Failed) session_.animating = false;
    closeExchange();
}

void ConsoleDialogue::closeExchange() {
    exchange_ = Exchange::None;
    phase_ = Phase::Asked;
    exchangeQuietTicks_ = 0;
    pendingSafeValues_.reset();
    pendingIpSetting_.reset();
}

// --- commands ----------------------------------------------------------------

void ConsoleDialogue::sendCommand(const char* text) { port_.sendLine(session_.portNumber, text); }

void ConsoleDialogue::sendPrompt() { sendCommand(c::kPrompt); }

void ConsoleDialogue::ask(Exchange exchange, const char* command) {
    exchange_ = exchange;
    phase_ = Phase::Asked;
    exchangeQuietTicks_ = 0;
    sendCommand(command);
}

void ConsoleDialogue::sendNextCommand() {
    if (!session_.parameterLoaded) {
        ask(Exchange::Parameter, c::kLoadParameter);
    } else if (session_.safeValueTransfer == TransferState::SendRequested) {
        ask(Exchange::SendSafeValue, c::kSendSafeValue);
    } else if (session_.safeValueTransfer == TransferState::LoadRequested) {
        lastLoad_ = LoadCommand::SafeValue;
        ask(Exchange::LoadSafeValue, c::kLoadSafeValue);
    } else if (session_.firmwareAutoQuery || session_.firmwareState() == FirmwareQueryState::Requested) {
        ask(Exchange::FileName, c::kLoadFileName);
    } else if (session_.ipSettingTransfer == TransferState::SendRequested) {
        ask(Exchange::SendIpSetting, c::kSendIpSetting);
    } else if (session_.ipSettingTransfer == TransferState::LoadRequested) {
        lastLoad_ = LoadCommand::IpSetting;
        ask(Exchange::LoadIpSetting, c::kLoadIpSetting);
    } else {
        sendPrompt();
    }
}

// --- animation ---------------------------------------------------------------

void ConsoleDialogue::startAnimation() {
    ui_.startAnimationTimer();
    session_.animating = true;
}

void ConsoleDialogue::onAnimationTimer() {
    if (session_.animating) {
        session_.progressStep = static_cast<uint8_t>(session_.progressStep + 1);
        if (session_.progressStep > 9) session_.progressStep = 0;
        ui_.setProgress(session_.progressStep);
    } else {
        session_.progressStep = 0;
        ui_.setProgress(0);
        ui_.stopAnimationTimer();
    }
}

// --- workers -----------------------------------------------------------------

void ConsoleDialogue::startWorker(WorkerKind kind) {
    if (worker_.joinable()) worker_.join();  // an earlier worker whose notice never came

    auto result = std::make_unique<WorkerResult>();
    result->kind = kind;
    // Workers fill private copies; onWorkerDone installs them on this thread.
    if (kind == WorkerKind::Parameter) result->config = config_;
    if (kind == WorkerKind::FileName) {
        result->fileNames.names = session_.firmwareFileNames;
        result->fileNames.fileCount = session_.fileCount;
    }
    const uint32_t safeValueSize = safeValueBlockBytes(session_.safeValueLayout);

    session_.workerBusy = true;
    result_ = std::move(result);
    const uint64_t ticket = ++ticket_;
    WorkerResult* out = result_.get();
    SerialPort* port = &port_;
    LinkUi* ui = &ui_;
    const uint8_t portNumber = session_.portNumber;
    const uint32_t baud = session_.baud;

    worker_ = std::thread([=] {
        switch (out->kind) {
        case WorkerKind::Parameter:
            out->outcome = parseParameterBlock(*port, portNumber, baud, out->config);
            break;
        case WorkerKind::SafeValue:
            out->outcome = safeValueWorker(*port, portNumber, baud, safeValueSize, out->safeValueBytes);
            break;
        case WorkerKind::IpSetting:
            out->outcome = ipSettingWorker(*port, portNumber, baud, out->ipSetting);
            break;
        case WorkerKind::FileName:
            out->outcome = fileNameWorker(*port, portNumber, baud, out->fileNames);
            break;
        }
        ui->postWorkerDone(ticket);
    });
    startAnimation();
}

void ConsoleDialogue::onWorkerDone(uint64_t ticket) {
    if (!result_ || ticket != ticket_) return;  // a worker of a link that has since ended
    if (worker_.joinable()) worker_.join();
    const std::unique_ptr<WorkerResult> result = std::move(result_);

    session_.linkState = LinkState::Connected;
    session_.workerBusy = false;
    // A receive that ended because the device went away is no short block.
    if (endIfDeviceGone()) return;

    const bool whole = result->outcome.whole;
    phase_ = whole ? Phase::Received : Phase::Failed;
    firstDroppedLine_ = true;
    // The outcome codes are written here and not by the worker: the menu and the
    // dialogs write the same bytes on this thread, and a failure written by the
    // worker could be overwritten before its notice arrived and then be reported
    // as a success.
    switch (result->kind) {
    case WorkerKind::Parameter:
        if (whole) {
            config_ = result->config;
        } else {
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
        session_.firmwareFileNames = result->fileNames.names;
        session_.fileCount = result->fileNames.fileCount;
        if (result->fileNames.failed) {
            session_.setFirmwareState(FirmwareQueryState::ReceiveError);
            // The rest of a reply that did not parse is still to come.
            phase_ = Phase::Failed;
        }
        break;
    }

    if (session_.parameterPending) {
        session_.parameterPending = false;
        if (whole) ui_.rebuildTree();
    }
    if (session_.fileNamePending) {
        session_.fileNamePending = false;
        session_.animating = false;
        fileNameCompletion();
    }
    // Lines the receive took in place of a short block's missing bytes came
    // before anything still unread.
    for (const std::string& line : result->outcome.linesAfter) {
        if (!session_.portOpen) break;
        handleLine(line);
    }
}

void ConsoleDialogue::fileNameCompletion() {
    if (session_.firmwareState() == FirmwareQueryState::ReceiveError) {
        ui_.setOperationText(c::kOpFileNameError);
    } else {
        session_.setFirmwareState(FirmwareQueryState::Received);
    }
    if (session_.firmwareAutoQuery) {
        session_.firmwareAutoQuery = false;
    } else {
        ui_.openFirmwareDialog();  // modal: ticks go on while it is open
    }
    session_.safeValueLayout =
        chooseSafeValueLayout(config_.modelName, session_.firmwareFileNames, session_.safeValueLayout);
}

}  // namespace norvik
