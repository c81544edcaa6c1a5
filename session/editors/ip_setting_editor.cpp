#include "editors/ip_setting_editor.h"

#include <algorithm>
#include <limits>

#include "link/console_texts.h"
#include "link/link_guards.h"

namespace norvik {

namespace {

constexpr uint32_t kTimeMin = 1;
constexpr uint32_t kTimeMax = 65535;
// A send the gateway has not answered after this many ticks counts as failed.
constexpr uint8_t kSendWaitLimit = 10;

FileChoice fileChoice() { return {kIpFileFilter, kIpFileProposedName, kIpFileSuffix}; }

// The record's value behind a time edit or an address field (const or not).
template <class Record>
auto& timeOf(Record& record, std::size_t edit) {
    auto& entry = record.remotes[edit % kRemoteIpEntries];
    return edit < kRemoteIpEntries ? entry.timeoutValueMs : entry.reconnectTimeMs;
}

template <class Record>
auto& addressOf(Record& record, std::size_t field) {
    if (field == kLocalIpField) return record.localIp;
    if (field == kSubnetMaskField) return record.subnetMask;
    if (field == kGatewayField) return record.gateway;
    return record.remotes[field - remoteIpField(0)].address;
}

}  // namespace

std::string ipFieldLabel(std::size_t field) {
    if (field == kLocalIpField) return kLabelLocalIp;
    if (field == kSubnetMaskField) return kLabelSubnetMask;
    if (field == kGatewayField) return kLabelGateway;
    return kLabelRemoteIp[field - remoteIpField(0)];
}

std::string timeEditLabel(std::size_t edit) {
    const std::size_t row = edit % kRemoteIpEntries;
    return std::string(kLabelRemoteIp[row]) + " " + (edit < kRemoteIpEntries ? kLabelTimeout : kLabelReconnect);
}

uint32_t timeEditValue(std::string_view text) {
    constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();
    uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        const auto digit = static_cast<uint32_t>(c - '0');
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

const char* timeEditReplacement(uint32_t value) {
    if (value < kTimeMin) return "1";
    if (value > kTimeMax) return "65535";
    return nullptr;
}

IpSettingEditor::IpSettingEditor(LinkSession& session, const GatewayConfig& config, IpSettingRecord& record,
                                 UserPrompts& prompts, IpSettingView& view)
    : session_(session), config_(config), record_(record), prompts_(prompts), view_(view) {}

void IpSettingEditor::message(const char* text) { prompts_.showMessage(console::kTitleMessage, text); }

void IpSettingEditor::finish(const char* text) {
    view_.setSaveToDeviceEnabled(true);
    view_.stopTransferTimer();
    message(text);
}

// --- opening ---------------------------------------------------------------------

void IpSettingEditor::open() {
    switch (session_.ipSettingTransfer.load()) {
    case TransferState::OpenedNew:
        setDefaultIpSetting(record_);
        showIpSetting();
        break;
    case TransferState::OpenedFromFile:
        // A cancelled choice or a file that does not open leaves the fields
        // empty; the record keeps what it held and is not shown.
        loadFromFile();
        break;
    case TransferState::OpenedFromDevice:
        record_ = IpSettingRecord{};
        session_.ipSettingTransfer = TransferState::LoadRequested;
        view_.setSaveToDeviceEnabled(false);
        if (!view_.startTransferTimer()) message(kTimerFailure);
        break;
    default:
        break;
    }
}

void IpSettingEditor::loadFromFile() {
    const std::optional<std::string> path = prompts_.openFileName(fileChoice());
    if (!path) return;
    if (!readIpSettingFile(*path, record_)) {
        message(kIpFileOpenError);
        return;
    }
    showIpSetting();
}

// --- fields ------------------------------------------------------------------------

bool IpSettingEditor::readIpControls(IpSettingRecord& into) {
    into.localIp = view_.address(kLocalIpField);
    if (!isLegalIpAddress(into.localIp)) {
        message(kLocalIpIllegal);
        return false;
    }
    into.subnetMask = view_.address(kSubnetMaskField);
    into.gateway = view_.address(kGatewayField);
    for (std::size_t row = 0; row < kRemoteIpEntries; ++row) {
        into.remotes[row].address = view_.address(remoteIpField(row));
        if (!isLegalIpAddress(into.remotes[row].address)) {
            message(kRemoteIpIllegal[row]);
            return false;
        }
    }
    // The range check keeps every text within 1 to 65535; should one slip past it,
    // it is held to that range as the check would, since the block's 16 bits would
    // wrap it. An edit never filled (a load that was cancelled) still gives 0.
    for (std::size_t edit = 0; edit < kTimeEditCount; ++edit) {
        const std::string text = view_.timeText(edit);
        timeOf(into, edit) = text.empty() ? 0 : std::clamp(timeEditValue(text), kTimeMin, kTimeMax);
    }
    return true;
}

void IpSettingEditor::showIpSetting() {
    // Each edit's text may be replaced by its range check (and a box shown)
    // while this runs, and the box lets the console dialogue go on: a copy keeps
    // what is shown one record.
    const IpSettingRecord shown = record_;
    for (std::size_t field = 0; field < kIpFieldCount; ++field) view_.showAddress(field, addressOf(shown, field));
    for (std::size_t edit = 0; edit < kTimeEditCount; ++edit)
        view_.showTimeText(edit, std::to_string(timeOf(shown, edit)));
}

void IpSettingEditor::onTimeTextChanged(std::size_t edit) {
    const char* replacement = timeEditReplacement(timeEditValue(view_.timeText(edit)));
    if (replacement == nullptr) return;
    message(kTimeOutOfRange);
    view_.showTimeText(edit, replacement);
}

// --- buttons -----------------------------------------------------------------------

void IpSettingEditor::saveToFile() {
    // While a load from the gateway is pending, its block will replace the
    // record; the file gets the fields as they stand, read into a copy.
    const bool loadPending = session_.ipSettingTransfer == TransferState::LoadRequested;
    IpSettingRecord copy = record_;
    IpSettingRecord& target = loadPending ? copy : record_;
    if (!readIpControls(target)) return;
    const std::optional<std::string> path = prompts_.saveFileName(fileChoice());
    if (!path) return;
    if (!writeIpSettingFile(*path, target)) message(kIpFileCreateError);
}

void IpSettingEditor::saveToDevice() {
    if (const char* refusal = linkGuardMessage(session_)) {
        message(refusal);
        return;
    }
    if (config_.modelName != kModelHx3420) {
        message(guard::kOnlyHx3420);
        return;
    }
    if (!readIpControls(record_)) return;
    session_.ipSettingTransfer = TransferState::SendRequested;
    view_.setSaveToDeviceEnabled(false);
    // Without a timer the request still stands and the console dialogue still
    // carries it out; only its result goes unreported.
    if (!view_.startTransferTimer()) message(kTimerFailure);
}

// --- transfer timer --------------------------------------------------------------

void IpSettingEditor::onTransferTick() {
    switch (session_.ipSettingTransfer.load()) {
    case TransferState::SendRequested:
        // Counted on from the last send of this opening, not from zero.
        session_.ipSendWaitTicks = static_cast<uint8_t>(session_.ipSendWaitTicks + 1);
        if (session_.ipSendWaitTicks > kSendWaitLimit) {
            session_.ipSettingTransfer = TransferState::ReceiveError;
            session_.ipSendWaitTicks = 0;
        }
        break;
    case TransferState::LoadRequested:
        break;
    case TransferState::SendFinished:
        finish(kIpSendFinished);
        break;
    case TransferState::SendError:
        finish(kIpSendError);
        break;
    case TransferState::SaveError:
        finish(kIpSaveError);
        break;
    case TransferState::ReceiveFinished:
        view_.setSaveToDeviceEnabled(true);
        view_.stopTransferTimer();
        showIpSetting();
        message(kIpReceiveFinished);
        break;
    case TransferState::ReceiveError:
        finish(kIpReceiveError);
        break;
    case TransferState::ReadError:
        finish(kIpReadError);
        break;
    default:
        finish(kIpValueBreak);
        break;
    }
}

}  // namespace norvik
