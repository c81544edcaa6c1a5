#include "editors/transfer_job.h"

#include <utility>

#include "link/link_guards.h"

namespace norvik {

std::optional<EditorMessage> transferRefusal(const LinkSession& session) {
    const std::optional<LinkRefusal> refused = linkRefusal(session);
    if (!refused) return std::nullopt;
    switch (*refused) {
    case LinkRefusal::Loading: return EditorMessage::Loading;
    case LinkRefusal::NoParameter: return EditorMessage::NoParameter;
    case LinkRefusal::NotConnected:
    case LinkRefusal::NoFirmware: break;
    }
    return EditorMessage::NotConnected;
}

EditorMessage transferMessage(const JobResult& result) {
    const bool send = result.kind == JobKind::SendSafeValues || result.kind == JobKind::SendIpSetting;
    switch (result.outcome) {
    case JobOutcome::Done: return send ? EditorMessage::SendFinished : EditorMessage::ReceiveFinished;
    case JobOutcome::GatewayError:
        switch (result.error) {
        case GatewayError::SaveFailed: return EditorMessage::SaveError;
        case GatewayError::ReceiveFailed: return EditorMessage::SendError;
        case GatewayError::ReadEeprom: return EditorMessage::ReadError;
        case GatewayError::None: break;
        }
        return send ? EditorMessage::SendError : EditorMessage::ReceiveError;
    // A block that could not go out whole is a send the gateway never took.
    case JobOutcome::BlockIncomplete: return send ? EditorMessage::SendError : EditorMessage::ReceiveError;
    case JobOutcome::NoAnswer: return EditorMessage::ReceiveError;
    case JobOutcome::LinkLost:
    case JobOutcome::Cancelled: return EditorMessage::TransferBroken;
    case JobOutcome::Refused: return result.illegalIp ? illegalIpMessage(*result.illegalIp) : EditorMessage::SendError;
    }
    return EditorMessage::TransferBroken;
}

JobResult jobEnd(JobKind kind, JobOutcome outcome) {
    JobResult result;
    result.kind = kind;
    result.outcome = outcome;
    return result;
}

DialogJob::DialogJob(GatewayJobs& jobs) : jobs_(jobs) {}

DialogJob::~DialogJob() = default;

void DialogJob::submit(Job job) {
    // A job asked before and not taken is no longer this dialog's.
    const uint64_t generation = ++inbox_->generation;
    inbox_->waiting = true;
    inbox_->end.reset();
    std::weak_ptr<Inbox> inbox = inbox_;
    id_ = jobs_.submit(std::move(job), [inbox, generation](const JobResult& result) {
        const std::shared_ptr<Inbox> open = inbox.lock();
        if (!open || open->generation != generation || !open->waiting || open->end) return;
        open->end = result;
    });
}

bool DialogJob::waiting() const { return inbox_->waiting; }

std::optional<JobResult> DialogJob::take() {
    if (!inbox_->waiting || !inbox_->end) return std::nullopt;
    inbox_->waiting = false;
    id_.reset();
    return std::exchange(inbox_->end, std::nullopt);
}

void DialogJob::giveUp(JobResult instead) {
    // Whatever the job's own end says, it comes too late: the generation moves on first.
    ++inbox_->generation;
    if (id_) jobs_.cancel(*id_);
    id_.reset();
    inbox_->waiting = true;
    inbox_->end = std::move(instead);
}

}  // namespace norvik
