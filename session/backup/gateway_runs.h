#pragma once
// The backup and the restore as chains of gateway jobs, without a window.
//
// A read run asks for the blocks not yet known, one job after another (the
// IP setting only once the parameters have named an HX-3420), and ends with a
// checked snapshot of the gateway or with the step that failed. A restore run
// sends the backup's safe values and, on an HX-3420, its IP setting, reads
// both back and compares them with the backup byte for byte.
//
// Each run calls its `finished` hook exactly once, on the thread the jobs
// deliver to. cancel() ends a run at once: the hook is called from inside
// cancel(), and whatever the gateway still answers is ignored. A run may be
// destroyed at any time; jobs that end later find it gone.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "backup/backup_diff.h"
#include "backup/gateway_backup.h"
#include "link/gateway_jobs.h"

namespace norvik {

// Why a run ended without its result: the job that failed and how, or the
// blocks that came whole but were refused by the backup's checks.
struct RunFailure {
    JobKind step = JobKind::ReadParameters;
    JobOutcome outcome = JobOutcome::Done;
    GatewayError error = GatewayError::None;
    BackupProblem problem;                      // set when every job was done but the blocks were refused
    std::optional<IllegalIpAddress> illegalIp;  // a Refused send: the address it may not carry
};

// The blocks a read run may take as known instead of asking the gateway.
struct KnownBlocks {
    std::optional<std::vector<uint8_t>> parameters;
    // Known file names (inner value), or known to be unavailable (inner nullopt).
    std::optional<std::optional<std::vector<uint8_t>>> fileNames;
};

struct RunHooks {
    // A job of the run is about to be asked: index (from 0) of count, as far
    // as the run knows the count at that point.
    std::function<void(JobKind step, int index, int count)> stepStarted;
    std::function<void(const JobProgress&)> progress;
};

class GatewayReadRun {
public:
    using Finished = std::function<void(std::optional<GatewaySnapshot>, std::optional<RunFailure>)>;

    GatewayReadRun(GatewayJobs& jobs, KnownBlocks known, RunHooks hooks, Finished finished);
    ~GatewayReadRun();
    GatewayReadRun(const GatewayReadRun&) = delete;
    GatewayReadRun& operator=(const GatewayReadRun&) = delete;

    void start();
    void cancel();
    bool running() const { return running_; }
    // Jobs the run has asked for so far.
    int jobsAsked() const { return asked_; }

private:
    void next();
    void ask(JobKind kind);
    void onResult(const JobResult& result);
    void finish(std::optional<GatewaySnapshot> snapshot, std::optional<RunFailure> failure);
    int jobsLeft() const;

    GatewayJobs& jobs_;
    RunHooks hooks_;
    Finished finished_;
    GatewayBlocks blocks_;
    bool haveParameters_ = false;
    bool haveFileNames_ = false;
    bool haveSafeValues_ = false;
    bool haveIpSetting_ = false;
    bool running_ = false;
    int asked_ = 0;
    JobKind currentKind_ = JobKind::ReadParameters;
    std::optional<JobId> current_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// What became of a block a restore sends. A send that went wrong in any way
// but a refusal may still have been stored: its block may have gone out whole
// before the link or the gateway failed, and only the gateway's reply would
// have said so.
enum class SendState : uint8_t {
    NotSent,       // never asked for: nothing of it reached the gateway
    Acknowledged,  // the gateway said it stored it
    Unconfirmed,   // asked for, never acknowledged: the gateway may hold it
};

// How a restore ended.
struct RestoreReport {
    bool verified = false;        // every sent block read back equal to the backup
    bool safeValuesSent = false;  // acknowledged
    bool ipSettingSent = false;   // acknowledged; false also where there is none to send
    SendState safeValueSend = SendState::NotSent;
    SendState ipSettingSend = SendState::NotSent;
    bool hasIpSetting = false;  // the backup holds one to send
    // Something may have been stored without the read-back that would show
    // it: the gateway is best compared with the backup once the link is back.
    bool mayHaveChanged() const {
        return !verified && failure && (safeValueSend != SendState::NotSent || ipSettingSend != SendState::NotSent);
    }
    std::optional<RunFailure> failure;
    // Where the read-back blocks differ from the backup (safe values, IP
    // setting), when they could be read back.
    BackupDifferences differences;
};

// Why the backup's blocks may not be sent at all, before any of them is:
// nothing when they may.
std::optional<IllegalIpAddress> restoreRefusal(const GatewaySnapshot& backup);

class RestoreRun {
public:
    using Finished = std::function<void(const RestoreReport&)>;

    // `gateway` is the gateway's state read before: its parameters and file
    // names stand for it again when the read-back blocks are compared.
    RestoreRun(GatewayJobs& jobs, const GatewaySnapshot& backup, const GatewaySnapshot& gateway, RunHooks hooks,
               Finished finished);
    ~RestoreRun();
    RestoreRun(const RestoreRun&) = delete;
    RestoreRun& operator=(const RestoreRun&) = delete;

    void start();
    void cancel();
    bool running() const { return running_; }

private:
    enum class Stage : uint8_t { SendSafeValues, SendIpSetting, ReadSafeValues, ReadIpSetting, Done };
    void next();
    void onResult(const JobResult& result);
    void fail(const JobResult& result);
    void compare();
    void finish();
    int jobCount() const;
    SendState* sendStateOf(Stage stage);

    GatewayJobs& jobs_;
    GatewaySnapshot backup_;
    GatewayBlocks readBack_;
    RunHooks hooks_;
    Finished finished_;
    Stage stage_ = Stage::SendSafeValues;
    RestoreReport report_;
    bool running_ = false;
    int asked_ = 0;
    JobKind currentKind_ = JobKind::SendSafeValues;
    std::optional<JobId> current_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace norvik
