#pragma once
// Gateway jobs that go nowhere: each job asked for is recorded, and the test
// ends it with whatever outcome the case needs, as the asking thread's loop
// would deliver it.

#include <cstddef>
#include <utility>
#include <vector>

#include "link/gateway_jobs.h"

namespace norvik::test {

class FakeGatewayJobs : public GatewayJobs {
public:
    struct Asked {
        JobId id;
        Job job;
        JobDone done;
        bool ended = false;
        bool cancelled = false;
    };
    std::vector<Asked> asked;

    JobId submit(Job job, JobDone done, JobProgressHook = {}) override {
        const JobId id = asked.size() + 1;
        asked.push_back({id, std::move(job), std::move(done)});
        return id;
    }
    // A cancelled job's end (Cancelled) is delivered by deliverCancelled(), as a posted one would be.
    bool cancel(JobId id) override {
        for (Asked& a : asked) {
            if (a.id != id || a.ended) continue;
            a.cancelled = true;
            a.ended = true;
            return true;
        }
        return false;
    }
    std::size_t pendingJobs() const override {
        std::size_t n = 0;
        for (const Asked& a : asked) n += a.ended ? 0 : 1;
        return n;
    }

    const Asked& last() const { return asked.back(); }
    // Ends the latest job with `outcome` (and the gateway's error, for GatewayError).
    void endLast(JobOutcome outcome, GatewayError error = GatewayError::None) {
        JobResult result;
        result.kind = asked.back().job.kind;
        result.outcome = outcome;
        result.error = error;
        endLast(std::move(result));
    }
    void endLast(JobResult result) {
        Asked& a = asked.back();
        a.ended = true;
        a.done(result);
    }
    // Delivers the Cancelled end of every cancelled job.
    void deliverCancelled() {
        for (Asked& a : asked) {
            if (!a.cancelled || !a.done) continue;
            JobResult result;
            result.kind = a.job.kind;
            result.outcome = JobOutcome::Cancelled;
            JobDone done = std::move(a.done);
            a.done = nullptr;
            done(result);
        }
    }
};

}  // namespace norvik::test
