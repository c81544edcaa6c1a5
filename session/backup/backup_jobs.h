#pragma once
// The gateway jobs of the settings dialogs, answered from an open backup
// while there is one and passed to the link otherwise: with a backup open,
// "Load from device" loads the backup's block, and a send ends as a lost link
// (a backup takes nothing). Outcomes are posted, never given from submit().

#include <functional>
#include <map>
#include <memory>

#include "backup/gateway_backup.h"
#include "link/gateway_jobs.h"

namespace norvik {

class BackupJobs : public GatewayJobs {
public:
    using Post = std::function<void(std::function<void()>)>;

    BackupJobs(GatewayJobs& link, Post post);
    ~BackupJobs() override;

    // The backup to answer from; nullptr hands every later job to the link.
    void setBackup(const GatewaySnapshot* backup) { backup_ = backup; }

    JobId submit(Job job, JobDone done, JobProgressHook progress = {}) override;
    bool cancel(JobId id) override;
    std::size_t pendingJobs() const override;

private:
    JobResult answer(const Job& job) const;

    GatewayJobs& link_;
    Post post_;
    const GatewaySnapshot* backup_ = nullptr;
    // Ids of the backup's own jobs, apart from the link's.
    JobId nextId_ = JobId{1} << 62;
    // Jobs answered but not yet told, with whom to tell.
    using Waiting = std::map<JobId, std::pair<JobKind, JobDone>>;
    std::shared_ptr<Waiting> pending_ = std::make_shared<Waiting>();
};

}  // namespace norvik
