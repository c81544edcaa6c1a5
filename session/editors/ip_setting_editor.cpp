#include "editors/ip_setting_editor.h"

#include <algorithm>
#include <limits>

namespace norvik {

namespace {

constexpr uint32_t kTimeMin = 1;
constexpr uint32_t kTimeMax = 65535;

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

IpSettingEditor::IpSettingEditor(DialogMode mode, const LinkSession& session, const GatewayConfig& config,
                                 GatewayJobs& jobs, IpSettingRecord& record, UserPrompts& prompts, IpSettingView& view)
    : mode_(mode), session_(session), config_(config), record_(record), prompts_(prompts), view_(view), job_(jobs) {}

void IpSettingEditor::finish(EditorMessage message) {
    view_.setSaveToDeviceEnabled(true);
    view_.stopTransferTimer();
    view_.tell(message);
}

// --- opening ---------------------------------------------------------------------

void IpSettingEditor::open() {
    switch (mode_) {
    case DialogMode::NewSetting:
        setDefaultIpSetting(record_);
        showIpSetting();
        break;
    case DialogMode::LoadFromFile:
        // A cancelled choice or a file that does not open leaves the fields
        // empty; the record keeps what it held and is not shown.
        loadFromFile();
        break;
    case DialogMode::LoadFromDevice:
        record_ = IpSettingRecord{};
        job_.submit(Job::read(JobKind::ReadIpSetting));
        sending_ = false;
        view_.setSaveToDeviceEnabled(false);
        if (!view_.startTransferTimer()) view_.tell(EditorMessage::TimerFailure);
        break;
    }
}

void IpSettingEditor::loadFromFile() {
    const std::optional<std::string> path = prompts_.openFileName(fileChoice());
    if (!path) return;
    if (!readIpSettingFile(*path, record_)) {
        view_.tell(EditorMessage::FileOpenError);
        return;
    }
    showIpSetting();
}

// --- fields ------------------------------------------------------------------------

bool IpSettingEditor::readIpControls(IpSettingRecord& into) {
    IpSettingRecord fields = into;
    for (std::size_t field = 0; field < kIpFieldCount; ++field) addressOf(fields, field) = view_.address(field);
    // The rule every send path meets; a refusal keeps what was read up to the
    // refused address, as reading field by field would.
    if (const std::optional<IllegalIpAddress> illegal = firstIllegalIpAddress(fields)) {
        const std::size_t refused = illegal->remoteRow ? remoteIpField(*illegal->remoteRow) : kLocalIpField;
        for (std::size_t field = 0; field <= refused; ++field) addressOf(into, field) = addressOf(fields, field);
        view_.tell(illegalIpMessage(*illegal));
        return false;
    }
    for (std::size_t field = 0; field < kIpFieldCount; ++field) addressOf(into, field) = addressOf(fields, field);
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
    view_.tell(EditorMessage::TimeOutOfRange);
    view_.showTimeText(edit, replacement);
}

// --- buttons -----------------------------------------------------------------------

void IpSettingEditor::saveToFile() {
    // While a load from the gateway is pending, its block will replace the
    // record; the file gets the fields as they stand, read into a copy.
    const bool loadPending = job_.waiting() && !sending_;
    IpSettingRecord copy = record_;
    IpSettingRecord& target = loadPending ? copy : record_;
    if (!readIpControls(target)) return;
    const std::optional<std::string> path = prompts_.saveFileName(fileChoice());
    if (!path) return;
    if (!writeIpSettingFile(*path, target)) view_.tell(EditorMessage::FileCreateError);
}

void IpSettingEditor::saveToDevice() {
    if (const std::optional<EditorMessage> refusal = transferRefusal(session_)) {
        view_.tell(*refusal);
        return;
    }
    if (config_.modelName != kModelHx3420) {
        view_.tell(EditorMessage::OnlyHx3420);
        return;
    }
    if (!readIpControls(record_)) return;
    job_.submit(Job::sendIpSetting(record_));
    sending_ = true;
    view_.setSaveToDeviceEnabled(false);
    // Without a timer the job still goes to the gateway; only its result
    // goes unreported.
    if (!view_.startTransferTimer()) view_.tell(EditorMessage::TimerFailure);
}

// --- transfer timer --------------------------------------------------------------

void IpSettingEditor::onTransferTick() {
    std::optional<JobResult> end = job_.take();
    if (!end) {
        if (job_.waiting() && sending_ && ++sendWaitTicks_ > kIpSendWaitTicks) {
            sendWaitTicks_ = 0;
            job_.giveUp(jobEnd(JobKind::SendIpSetting, JobOutcome::NoAnswer));
        }
        return;
    }
    const EditorMessage message = transferMessage(*end);
    if (end->kind == JobKind::ReadIpSetting && end->done()) {
        record_ = end->ipSetting;
        view_.setSaveToDeviceEnabled(true);
        view_.stopTransferTimer();
        showIpSetting();
        view_.tell(message);
        return;
    }
    finish(message);
}

}  // namespace norvik
