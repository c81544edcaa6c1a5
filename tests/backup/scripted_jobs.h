#pragma once
// GatewayJobs answered by the test: jobs wait in order until the test ends
// them, from a gateway held as blocks or with an outcome of its choice.

#include <deque>
#include <vector>

#include "backup/gateway_backup.h"
#include "link/gateway_jobs.h"

namespace norvik::test {

class ScriptedJobs : public GatewayJobs {
public:
    struct Pending {
        JobId id;
        Job job;
        JobDone done;
    };

    JobId submit(Job job, JobDone done, JobProgressHook) override {
        asked.push_back(job.kind);
        pending.push_back({++lastId, std::move(job), std::move(done)});
        return lastId;
    }
    bool cancel(JobId id) override {
        for (auto it = pending.begin(); it != pending.end(); ++it) {
            if (it->id != id) continue;
            cancelled.push_back(id);
            pending.erase(it);
            return true;
        }
        return false;
    }
    std::size_t pendingJobs() const override { return pending.size(); }

    // Ends the oldest job as `result` says.
    void answer(JobResult result) {
        Pending p = std::move(pending.front());
        pending.pop_front();
        result.kind = p.job.kind;
        p.done(result);
    }

    // Ends the oldest job as a gateway holding `gateway` would: a read gives
    // its block, a send replaces it.
    void answerFrom(GatewayBlocks& gateway) {
        const Job& job = pending.front().job;
        JobResult r;
        switch (job.kind) {
        case JobKind::ReadParameters: r.raw = gateway.parameters; break;
        case JobKind::ReadFileNames: r.raw = *gateway.fileNames; break;
        case JobKind::ReadSafeValues:
            r.raw = gateway.safeValues;
            r.safeValueLayout = gateway.safeValueLayout;
            break;
        case JobKind::ReadIpSetting: r.raw = *gateway.ipSetting; break;
        case JobKind::SendSafeValues: gateway.safeValues = job.safeValues; break;
        case JobKind::SendIpSetting: {
            const IpSettingBlock block = encodeIpSettingBlock(job.ipSetting);
            gateway.ipSetting = std::vector<uint8_t>(block.begin(), block.end());
            break;
        }
        }
        answer(r);
    }

    void answerAllFrom(GatewayBlocks& gateway) {
        while (!pending.empty()) answerFrom(gateway);
    }

    std::deque<Pending> pending;
    std::vector<JobKind> asked;
    std::vector<JobId> cancelled;
    JobId lastId = 0;
};

}  // namespace norvik::test
