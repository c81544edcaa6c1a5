#include "backup/backup_jobs.h"

#include <memory>
#include <utility>

namespace norvik {

BackupJobs::BackupJobs(GatewayJobs& link, Post post) : link_(link), post_(std::move(post)) {}

BackupJobs::~BackupJobs() = default;

JobResult BackupJobs::answer(const Job& job) const {
    JobResult result;
    result.kind = job.kind;
    const GatewayBlocks& blocks = backup_->blocks;
    switch (job.kind) {
    case JobKind::ReadParameters:
        result.raw = blocks.parameters;
        result.config = std::make_shared<const GatewayConfig>(backup_->config);
        break;
    case JobKind::ReadFileNames:
        if (!blocks.fileNames) {
            result.outcome = JobOutcome::NoAnswer;
            break;
        }
        result.raw = *blocks.fileNames;
        result.fileNames = backup_->fileNames;
        result.fileCount = backup_->fileCount;
        result.safeValueLayout = blocks.safeValueLayout;
        break;
    case JobKind::ReadSafeValues:
        result.raw = blocks.safeValues;
        result.safeValues = blocks.safeValues;
        result.safeValueLayout = blocks.safeValueLayout;
        break;
    case JobKind::ReadIpSetting:
        if (!backup_->ipSetting) {
            result.outcome = JobOutcome::NoAnswer;
            break;
        }
        result.raw = *blocks.ipSetting;
        result.ipSetting = *backup_->ipSetting;
        break;
    case JobKind::SendSafeValues:
    case JobKind::SendIpSetting: result.outcome = JobOutcome::LinkLost; break;
    }
    return result;
}

JobId BackupJobs::submit(Job job, JobDone done, JobProgressHook progress) {
    if (!backup_) return link_.submit(std::move(job), std::move(done), std::move(progress));
    const JobId id = nextId_++;
    pending_->emplace(id, std::make_pair(job.kind, std::move(done)));
    post_([pending = std::weak_ptr<Waiting>(pending_), id, result = answer(job)] {
        const auto jobs = pending.lock();
        if (!jobs) return;
        const auto found = jobs->find(id);
        // Cancelled meanwhile: that was its end.
        if (found == jobs->end()) return;
        JobDone tell = std::move(found->second.second);
        jobs->erase(found);
        tell(result);
    });
    return id;
}

bool BackupJobs::cancel(JobId id) {
    const auto found = pending_->find(id);
    if (found == pending_->end()) return link_.cancel(id);
    JobResult result;
    result.kind = found->second.first;
    result.outcome = JobOutcome::Cancelled;
    JobDone tell = std::move(found->second.second);
    pending_->erase(found);
    post_([tell = std::move(tell), result] { tell(result); });
    return true;
}

std::size_t BackupJobs::pendingJobs() const { return pending_->size() + link_.pendingJobs(); }

}  // namespace norvik
