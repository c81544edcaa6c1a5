#pragma once
// Gateway jobs carried by the transfer codes the console dialogue reads today:
// a send or load is a code written into the session, its end the result code
// the dialogue writes back. poll() looks at the codes and ends the jobs whose
// code has moved on; the window calls it after each dialogue tick and worker
// notice, which is where the codes change. It stands in for the dialogue's own
// job queue and goes when the dialogue takes jobs itself.

#include <cstddef>
#include <optional>

#include "ipsetting/ip_setting.h"
#include "link/gateway_jobs.h"
#include "link/link_session.h"

namespace norvik {

class TransferCodeJobs : public GatewayJobs {
public:
    TransferCodeJobs(LinkSession& session, IpSettingRecord& ipSetting);

    JobId submit(Job job, JobDone done, JobProgressHook progress = {}) override;
    bool cancel(JobId id) override;
    std::size_t pendingJobs() const override;

    // Ends each job whose code holds a result.
    void poll();

private:
    struct Pending {
        JobId id = 0;
        JobKind kind = JobKind::ReadParameters;
        JobDone done;
    };
    TransferCell& cellOf(JobKind kind);
    void end(std::optional<Pending>& slot, JobResult result);
    void pollOne(std::optional<Pending>& slot);

    LinkSession& session_;
    IpSettingRecord& ipSetting_;
    JobId nextId_ = 1;
    std::optional<Pending> safeValues_;
    std::optional<Pending> ipJob_;
    // Jobs this stand-in cannot carry, ended at the next poll.
    std::optional<Pending> refused_;
};

}  // namespace norvik
