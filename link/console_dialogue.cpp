#include "link/console_dialogue.h"

#include <cstdio>
#include <string>
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
    bool receiveFailed = false;  // the safe-value or IP block did not arrive in full
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
        ui_.setLinkText(formatCode(c::kLinkOpenErrorFormat, code));
        ui_.showMessage(c::kTitleError, c::kOpenErrorBox);
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
    ui_.setPortLamp(true);
    ui_.setConnectionMenu(false, true);
    ui_.setLinkText(c::kLinkPortOpen);
    if (!ui_.startPollTimer()) ui_.setLinkText(c::kLinkTimerFailure);
    sendPrompt();
}

void ConsoleDialogue::disconnect() {
    // The worker reads from the port: it has to end before the port may close.
    // It ends by itself within its receive time-out.
    if (worker_.joinable()) worker_.join();
    const uint32_t code = port_.closePort(session_.portNumber);
    if (code != 0) {
        // The port stays open and the link goes on; a finished worker's notice
        // is still queued and will be taken as usual.
        ui_.setLinkText(formatCode(c::kLinkCloseErrorFormat, code));
        return;
    }
    dropWorkerResult();
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
    ui_.setLinkText(c::kLinkPortClosed);
    ui_.setOperationText("");
    ui_.clearTree();
    ui_.resetList();
    ui_.stopPollTimer();
    ui_.stopAnimationTimer();
    session_.animating = false;
    session_.progressStep = 0;
    ui_.setProgress(0);
}

void ConsoleDialogue::finishWorker() {
    if (worker_.joinable()) worker_.join();
    dropWorkerResult();
}

void ConsoleDialogue::dropWorkerResult() {
    // Whatever the worker received belongs to a link that has ended; its notice,
    // if still queued, finds no result and only its flags are cleared here.
    result_.reset();
    session_.workerBusy = false;
    session_.parameterPending = false;
    session_.fileNamePending = false;
}

// --- the tick ----------------------------------------------------------------

void ConsoleDialogue::onPollTimer() {
    if (!session_.portOpen) return;
    // While a worker owns the port nothing is read, so nothing can be missed.
    if (session_.workerBusy) return;
    const std::string line = port_.receiveLine(session_.portNumber, blockTimeout(session_.baud, kLineTimeoutBytes));
    if (handleReply(line)) {
        session_.quietTicks = 0;
    } else {
        silence();
    }
}

bool ConsoleDialogue::handleReply(const std::string& line) {
    if (handleSendResult(line)) return true;
    if (line == c::kReplyConnect) {
        session_.linkState = LinkState::Connected;
        session_.accessErrorShown = true;
        ui_.setLinkText(c::kLinkConnected);
        ui_.setModuleLamp(true);
        session_.missCount = 0;
        sendNextCommand();
    } else if (line == c::kReplyParameter) {
        session_.linkState = LinkState::LoadingParameters;
        ui_.setOperationText(c::kOpReceiveParameter);
        session_.parameterPending = true;
        startWorker(WorkerKind::Parameter);
    } else if (line == c::kReplyParameterFinish) {
        session_.animating = false;
        session_.linkState = LinkState::Connected;
        session_.parameterLoaded = true;
        ui_.setIpSettingMenu(config_.modelName == kModelHx3420);
        if (!config_.blockComplete) {
            ui_.setOperationText(c::kOpParameterIncomplete);
        } else if (config_.systemModuleStatus == SystemModuleStatus::Present) {
            ui_.setOperationText(c::kOpParameterFinish);
        } else if (config_.systemModuleStatus == SystemModuleStatus::Misplaced) {
            ui_.setOperationText(c::kOpSystemModuleAddressError);
        } else {
            ui_.setOperationText(c::kOpSystemModuleMissing);
        }
        sendPrompt();
    } else if (line == c::kReplyReceiveSafeValue) {
        const uint32_t n = safeValueBlockBytes(session_.safeValueLayout);
        if (session_.safeValueBytes.size() == n) {
            ui_.setOperationText(c::kOpSendSafeValue);
            port_.sendBlock(session_.portNumber, session_.safeValueBytes);
            sendCommand(c::kTransmitEnd);
            startAnimation();
        } else {
            // The block on hand does not fit the gateway's layout: sending a part
            // of it, or bytes beyond it, would store wrong safe values.
            session_.safeValueTransfer = TransferState::SendError;
            ui_.setOperationText(c::kOpSendSafeValueError);
        }
    } else if (line == c::kReplySafeValue) {
        ui_.setOperationText(c::kOpReceiveSafeValue);
        startWorker(WorkerKind::SafeValue);
    } else if (line == c::kReplySafeValueFinish) {
        finishReceive(session_.safeValueTransfer, c::kOpSafeValueReceived);
    } else if (line == c::kReplyReadEepromError) {
        // The error belongs to the load that was asked for last; without one,
        // the pending IP load decides.
        const bool ip = lastLoad_ == LoadCommand::IpSetting ||
                        (lastLoad_ == LoadCommand::None && session_.ipSettingTransfer == TransferState::LoadRequested);
        if (ip) {
            finishTransfer(session_.ipSettingTransfer, TransferState::ReadError, c::kOpReadIpSettingError);
        } else {
            finishTransfer(session_.safeValueTransfer, TransferState::ReadError, c::kOpReadSafeValueError);
        }
    } else if (line == c::kReplyReceiveIpSetting) {
        const IpSettingBlock block = encodeIpSettingBlock(ipSetting_);
        ui_.setOperationText(c::kOpSendIpSetting);
        port_.sendBlock(session_.portNumber, block);
        sendCommand(c::kTransmitEnd);
        startAnimation();
    } else if (line == c::kReplyIpSetting) {
        ui_.setOperationText(c::kOpReceiveIpSetting);
        startWorker(WorkerKind::IpSetting);
    } else if (line == c::kReplyIpSettingFinish) {
        finishReceive(session_.ipSettingTransfer, c::kOpIpSettingReceived);
    } else if (line == c::kReplyFileName) {
        ui_.setOperationText(c::kOpReceiveFileName);
        session_.setFirmwareState(FirmwareQueryState::Receiving);
        session_.fileNamePending = true;
        startWorker(WorkerKind::FileName);
    } else if (line == c::kReplyFileNameFinish) {
        // A failed reply has already said so; the gateway's "finish" must not hide it.
        if (session_.firmwareState() != FirmwareQueryState::ReceiveError) ui_.setOperationText(c::kOpFileNameFinish);
        sendPrompt();
    } else if (line == c::kReplyDisconnect) {
        // The module's own notice: what the firmware query learnt stays valid.
        endLinkView();
    } else {
        return false;
    }
    return true;
}

// The gateway's verdicts on a block it was sent: each ends its transfer with a code.
bool ConsoleDialogue::handleSendResult(const std::string& line) {
    struct Verdict {
        const char* reply;
        TransferCell LinkSession::*transfer;
        TransferState code;
        const char* text;
    };
    static constexpr Verdict kVerdicts[] = {
        {c::kReplySafeValueSent, &LinkSession::safeValueTransfer, TransferState::SendFinished, c::kOpSafeValueSent},
        {c::kReplySaveSafeValueError, &LinkSession::safeValueTransfer, TransferState::SaveError, c::kOpSaveSafeValueError},
        {c::kReplyReceiveSafeValueError, &LinkSession::safeValueTransfer, TransferState::SendError,
         c::kOpSendSafeValueError},
        {c::kReplyIpSettingSent, &LinkSession::ipSettingTransfer, TransferState::SendFinished, c::kOpIpSettingSent},
        {c::kReplySaveIpSettingError, &LinkSession::ipSettingTransfer, TransferState::SaveError, c::kOpSaveIpSettingError},
        {c::kReplyReceiveIpSettingError, &LinkSession::ipSettingTransfer, TransferState::SendError,
         c::kOpSendIpSettingError},
    };
    for (const Verdict& v : kVerdicts) {
        if (line == v.reply) {
            finishTransfer(session_.*v.transfer, v.code, v.text);
            return true;
        }
    }
    return false;
}

void ConsoleDialogue::finishTransfer(TransferCell& transfer, TransferState code, const char* text) {
    session_.animating = false;
    ui_.setOperationText(text);
    transfer = code;
    sendPrompt();
}

void ConsoleDialogue::finishReceive(TransferCell& transfer, const char* text) {
    session_.animating = false;
    ui_.setOperationText(text);
    // A worker that missed part of the block has said so; the gateway's
    // "finish" does not make the block whole.
    if (transfer != TransferState::ReceiveError) transfer = TransferState::ReceiveFinished;
    sendPrompt();
}

void ConsoleDialogue::silence() {
    const bool safeValuePending = session_.safeValueTransfer == TransferState::SendRequested ||
                                  session_.safeValueTransfer == TransferState::LoadRequested;
    if (session_.linkState == LinkState::LoadingParameters ||
        session_.firmwareState() == FirmwareQueryState::Receiving) {
        return;
    }
    if (safeValuePending && session_.linkState == LinkState::Connected && session_.quietTicks < kMaxQuietTicks) {
        ++session_.quietTicks;
        return;
    }
    sendPrompt();
    if (session_.linkState == LinkState::Connected) {
        if (session_.missCount >= 1) loseLink();
        ++session_.missCount;
    }
    if (!session_.accessErrorShown) {
        // Set before the box opens: ticks go on while it is shown.
        session_.accessErrorShown = true;
        ui_.showMessage(c::kTitleError, c::kAccessErrorBox);
    }
}

void ConsoleDialogue::loseLink() {
    session_.setFirmwareState(FirmwareQueryState::Idle);
    session_.firmwareAutoQuery = true;
    session_.safeValueLayout = SafeValueLayout::Block512;
    endLinkView();
}

// The module is gone: the link state, the lamp and the tree say so.
void ConsoleDialogue::endLinkView() {
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

// --- commands ----------------------------------------------------------------

void ConsoleDialogue::sendCommand(const char* text) { port_.sendLine(session_.portNumber, text); }

void ConsoleDialogue::sendPrompt() { sendCommand(c::kPrompt); }

void ConsoleDialogue::sendNextCommand() {
    if (!session_.parameterLoaded) {
        sendCommand(c::kLoadParameter);
    } else if (session_.safeValueTransfer == TransferState::SendRequested) {
        sendCommand(c::kSendSafeValue);
    } else if (session_.safeValueTransfer == TransferState::LoadRequested) {
        lastLoad_ = LoadCommand::SafeValue;
        sendCommand(c::kLoadSafeValue);
    } else if (session_.firmwareAutoQuery || session_.firmwareState() == FirmwareQueryState::Requested) {
        sendCommand(c::kLoadFileName);
    } else if (session_.ipSettingTransfer == TransferState::SendRequested) {
        sendCommand(c::kSendIpSetting);
    } else if (session_.ipSettingTransfer == TransferState::LoadRequested) {
        lastLoad_ = LoadCommand::IpSetting;
        sendCommand(c::kLoadIpSetting);
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
            parseParameterBlock(*port, portNumber, baud, out->config);
            break;
        case WorkerKind::SafeValue:
            out->receiveFailed = !safeValueWorker(*port, portNumber, baud, safeValueSize, out->safeValueBytes);
            break;
        case WorkerKind::IpSetting:
            out->receiveFailed = !ipSettingWorker(*port, portNumber, baud, out->ipSetting);
            break;
        case WorkerKind::FileName:
            fileNameWorker(*port, portNumber, baud, out->fileNames);
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

    // The outcome codes are written here and not by the worker: the menu and the
    // dialogs write the same bytes on this thread, and a failure written by the
    // worker could be overwritten before its notice arrived and then be reported
    // as a success.
    switch (result->kind) {
    case WorkerKind::Parameter:
        config_ = result->config;
        break;
    case WorkerKind::SafeValue:
        session_.safeValueBytes.insert(session_.safeValueBytes.end(), result->safeValueBytes.begin(),
                                       result->safeValueBytes.end());
        if (result->receiveFailed) session_.safeValueTransfer = TransferState::ReceiveError;
        break;
    case WorkerKind::IpSetting:
        // A partial block is no IP setting: the record on hand stays.
        if (result->receiveFailed) {
            session_.ipSettingTransfer = TransferState::ReceiveError;
        } else {
            ipSetting_ = result->ipSetting;
        }
        break;
    case WorkerKind::FileName:
        session_.firmwareFileNames = result->fileNames.names;
        session_.fileCount = result->fileNames.fileCount;
        if (result->fileNames.failed) session_.setFirmwareState(FirmwareQueryState::ReceiveError);
        break;
    }

    if (session_.parameterPending) {
        session_.parameterPending = false;
        ui_.rebuildTree();
    }
    if (session_.fileNamePending) {
        session_.fileNamePending = false;
        session_.animating = false;
        fileNameCompletion();
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
