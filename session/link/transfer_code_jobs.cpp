#include "link/transfer_code_jobs.h"

#include <utility>

namespace norvik {

namespace {

bool isSafeValueJob(JobKind kind) { return kind == JobKind::SendSafeValues || kind == JobKind::ReadSafeValues; }
bool isIpJob(JobKind kind) { return kind == JobKind::SendIpSetting || kind == JobKind::ReadIpSetting; }

JobResult ended(JobKind kind, JobOutcome outcome) {
    JobResult result;
    result.kind = kind;
    result.outcome = outcome;
    return result;
}

}  // namespace

TransferCodeJobs::TransferCodeJobs(LinkSession& session, IpSettingRecord& ipSetting)
    : session_(session), ipSetting_(ipSetting) {}

TransferCell& TransferCodeJobs::cellOf(JobKind kind) {
    return isSafeValueJob(kind) ? session_.safeValueTransfer : session_.ipSettingTransfer;
}

JobId TransferCodeJobs::submit(Job job, JobDone done, JobProgressHook) {
    const JobId id = nextId_++;
    Pending pending{id, job.kind, std::move(done)};
    if (!isSafeValueJob(job.kind) && !isIpJob(job.kind)) {
        refused_ = std::move(pending);
        return id;
    }
    std::optional<Pending>& slot = isSafeValueJob(job.kind) ? safeValues_ : ipJob_;
    // One request per code: a new one takes the place of the one before, as
    // a new code overwrites the old.
    if (slot) end(slot, ended(slot->kind, JobOutcome::Cancelled));
    switch (job.kind) {
    case JobKind::SendSafeValues:
        // The bytes first, the code last: the dialogue acts on the code alone.
        session_.safeValueBytes = std::move(job.safeValues);
        session_.safeValueTransfer = TransferState::SendRequested;
        break;
    case JobKind::ReadSafeValues:
        session_.safeValueBytes.clear();
        session_.safeValueTransfer = TransferState::LoadRequested;
        break;
    case JobKind::SendIpSetting:
        ipSetting_ = job.ipSetting;
        session_.ipSettingTransfer = TransferState::SendRequested;
        break;
    default:
        session_.ipSettingTransfer = TransferState::LoadRequested;
        break;
    }
    slot = std::move(pending);
    return id;
}

bool TransferCodeJobs::cancel(JobId id) {
    for (std::optional<Pending>* slot : {&safeValues_, &ipJob_, &refused_}) {
        if (!*slot || (*slot)->id != id) continue;
        // A code no longer asking is not picked up; an exchange under way
        // finishes on the wire.
        if (slot != &refused_) {
            TransferCell& cell = cellOf((*slot)->kind);
            if (cell == TransferState::SendRequested || cell == TransferState::LoadRequested)
                cell = TransferState::ReceiveError;
        }
        end(*slot, ended((*slot)->kind, JobOutcome::Cancelled));
        return true;
    }
    return false;
}

std::size_t TransferCodeJobs::pendingJobs() const {
    return (safeValues_ ? 1u : 0u) + (ipJob_ ? 1u : 0u) + (refused_ ? 1u : 0u);
}

void TransferCodeJobs::end(std::optional<Pending>& slot, JobResult result) {
    JobDone done = std::move(slot->done);
    slot.reset();
    if (done) done(result);
}

void TransferCodeJobs::poll() {
    if (refused_) end(refused_, ended(refused_->kind, JobOutcome::LinkLost));
    pollOne(safeValues_);
    pollOne(ipJob_);
}

void TransferCodeJobs::pollOne(std::optional<Pending>& slot) {
    if (!slot) return;
    JobResult result = ended(slot->kind, JobOutcome::Done);
    switch (cellOf(slot->kind).load()) {
    case TransferState::SendRequested:
    case TransferState::LoadRequested: return;
    case TransferState::SendFinished:
    case TransferState::ReceiveFinished:
        if (slot->kind == JobKind::ReadSafeValues) {
            result.safeValues = session_.safeValueBytes;
            result.safeValueLayout = session_.safeValueLayout;
        }
        if (slot->kind == JobKind::ReadIpSetting) result.ipSetting = ipSetting_;
        break;
    case TransferState::SendError:
        result.outcome = JobOutcome::GatewayError;
        result.error = GatewayError::ReceiveFailed;
        break;
    case TransferState::SaveError:
        result.outcome = JobOutcome::GatewayError;
        result.error = GatewayError::SaveFailed;
        break;
    case TransferState::ReadError:
        result.outcome = JobOutcome::GatewayError;
        result.error = GatewayError::ReadEeprom;
        break;
    case TransferState::ReceiveError: result.outcome = JobOutcome::BlockIncomplete; break;
    default: result.outcome = JobOutcome::LinkLost; break;
    }
    end(slot, std::move(result));
}

}  // namespace norvik
