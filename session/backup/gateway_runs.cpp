#include "backup/gateway_runs.h"

#include <utility>

#include "model/parameter_block.h"

namespace norvik {

namespace {

bool namesHx3420(const std::vector<uint8_t>& parameters) {
    if (parameters.size() < kHeaderBytes) return false;
    GatewayConfig config;
    decodeParameterBlock(std::span(parameters).first(kHeaderBytes), {}, config);
    return config.modelName == kModelHx3420;
}

// Calls `method` on the run behind `alive` unless the run has gone since.
template <typename Run, typename Arg>
std::function<void(const Arg&)> whileAlive(const std::shared_ptr<bool>& alive, Run* run,
                                           void (Run::*method)(const Arg&)) {
    return [weak = std::weak_ptr<bool>(alive), run, method](const Arg& arg) {
        if (weak.lock()) (run->*method)(arg);
    };
}

}  // namespace

// --- reading a gateway --------------------------------------------------------

GatewayReadRun::GatewayReadRun(GatewayJobs& jobs, KnownBlocks known, RunHooks hooks, Finished finished)
    : jobs_(jobs), hooks_(std::move(hooks)), finished_(std::move(finished)) {
    if (known.parameters) {
        blocks_.parameters = std::move(*known.parameters);
        haveParameters_ = true;
    }
    if (known.fileNames) {
        blocks_.fileNames = std::move(*known.fileNames);
        haveFileNames_ = true;
    }
}

GatewayReadRun::~GatewayReadRun() {
    alive_.reset();
    if (current_) jobs_.cancel(*current_);
}

void GatewayReadRun::start() {
    if (running_) return;
    running_ = true;
    next();
}

int GatewayReadRun::jobsLeft() const {
    int left = (haveParameters_ ? 0 : 1) + (haveFileNames_ ? 0 : 1) + (haveSafeValues_ ? 0 : 1);
    if (haveParameters_ && !haveIpSetting_ && namesHx3420(blocks_.parameters)) ++left;
    return left;
}

void GatewayReadRun::next() {
    // Parameters first: they say whether there is an IP setting to read.
    if (!haveParameters_) return ask(JobKind::ReadParameters);
    if (!haveFileNames_) return ask(JobKind::ReadFileNames);
    if (!haveSafeValues_) return ask(JobKind::ReadSafeValues);
    if (!haveIpSetting_ && namesHx3420(blocks_.parameters)) return ask(JobKind::ReadIpSetting);

    SnapshotResult checked = checkGatewayBlocks(blocks_);
    if (!checked.snapshot) {
        RunFailure failure;
        failure.problem = checked.problem;
        return finish(std::nullopt, failure);
    }
    finish(std::move(checked.snapshot), std::nullopt);
}

void GatewayReadRun::ask(JobKind kind) {
    const int count = asked_ + jobsLeft();
    if (hooks_.stepStarted) hooks_.stepStarted(kind, asked_, count);
    ++asked_;
    currentKind_ = kind;
    JobProgressHook progress;
    if (hooks_.progress) {
        progress = [weak = std::weak_ptr<bool>(alive_), hook = hooks_.progress](const JobProgress& p) {
            if (weak.lock()) hook(p);
        };
    }
    current_ = jobs_.submit(Job::read(kind), whileAlive(alive_, this, &GatewayReadRun::onResult), progress);
}

void GatewayReadRun::onResult(const JobResult& result) {
    current_.reset();
    if (!running_) return;
    if (!result.done()) return finish(std::nullopt, RunFailure{result.kind, result.outcome, result.error, {}, {}});
    switch (result.kind) {
    case JobKind::ReadParameters:
        blocks_.parameters = result.raw;
        haveParameters_ = true;
        break;
    case JobKind::ReadFileNames:
        blocks_.fileNames = result.raw;
        haveFileNames_ = true;
        break;
    case JobKind::ReadSafeValues:
        blocks_.safeValues = result.raw;
        blocks_.safeValueLayout = result.safeValueLayout;
        haveSafeValues_ = true;
        break;
    case JobKind::ReadIpSetting:
        blocks_.ipSetting = result.raw;
        haveIpSetting_ = true;
        break;
    case JobKind::SendSafeValues:
    case JobKind::SendIpSetting: break;
    }
    next();
}

void GatewayReadRun::cancel() {
    if (!running_) return;
    if (current_) jobs_.cancel(*current_);
    current_.reset();
    finish(std::nullopt, RunFailure{currentKind_, JobOutcome::Cancelled, GatewayError::None, {}, {}});
}

void GatewayReadRun::finish(std::optional<GatewaySnapshot> snapshot, std::optional<RunFailure> failure) {
    running_ = false;
    // Last: the hook may end this run's owner, and the run with it.
    Finished finished = std::move(finished_);
    if (finished) finished(std::move(snapshot), std::move(failure));
}

// --- restoring a backup -------------------------------------------------------

RestoreRun::RestoreRun(GatewayJobs& jobs, const GatewaySnapshot& backup, const GatewaySnapshot& gateway, RunHooks hooks,
                       Finished finished)
    : jobs_(jobs), backup_(backup), hooks_(std::move(hooks)), finished_(std::move(finished)) {
    // What is not sent is taken from the gateway's own state, so the
    // read-back blocks can be checked and compared as a whole.
    readBack_.parameters = gateway.blocks.parameters;
    readBack_.fileNames = gateway.blocks.fileNames;
}

RestoreRun::~RestoreRun() {
    alive_.reset();
    if (current_) jobs_.cancel(*current_);
}

int RestoreRun::jobCount() const { return backup_.ipSetting ? 4 : 2; }

std::optional<IllegalIpAddress> restoreRefusal(const GatewaySnapshot& backup) {
    if (!backup.ipSetting) return std::nullopt;
    return sendRefusal(Job::sendIpSetting(*backup.ipSetting));
}

void RestoreRun::start() {
    if (running_) return;
    running_ = true;
    report_.hasIpSetting = backup_.ipSetting.has_value();
    // The safe values go first: an IP setting refused only when its turn came
    // would leave them restored alone.
    if (const std::optional<IllegalIpAddress> illegal = restoreRefusal(backup_)) {
        report_.failure = RunFailure{JobKind::SendIpSetting, JobOutcome::Refused, GatewayError::None, {}, illegal};
        return finish();
    }
    next();
}

SendState* RestoreRun::sendStateOf(Stage stage) {
    if (stage == Stage::SendSafeValues) return &report_.safeValueSend;
    if (stage == Stage::SendIpSetting) return &report_.ipSettingSend;
    return nullptr;
}

void RestoreRun::next() {
    Job job;
    switch (stage_) {
    case Stage::SendSafeValues: job = Job::sendSafeValues(backup_.blocks.safeValues); break;
    case Stage::SendIpSetting: job = Job::sendIpSetting(*backup_.ipSetting); break;
    case Stage::ReadSafeValues: job = Job::read(JobKind::ReadSafeValues); break;
    case Stage::ReadIpSetting: job = Job::read(JobKind::ReadIpSetting); break;
    case Stage::Done: return compare();
    }
    if (hooks_.stepStarted) hooks_.stepStarted(job.kind, asked_, jobCount());
    ++asked_;
    currentKind_ = job.kind;
    JobProgressHook progress;
    if (hooks_.progress) {
        progress = [weak = std::weak_ptr<bool>(alive_), hook = hooks_.progress](const JobProgress& p) {
            if (weak.lock()) hook(p);
        };
    }
    current_ = jobs_.submit(std::move(job), whileAlive(alive_, this, &RestoreRun::onResult), progress);
}

void RestoreRun::onResult(const JobResult& result) {
    current_.reset();
    if (!running_) return;
    SendState* sent = sendStateOf(stage_);
    if (!result.done()) {
        if (sent && result.outcome != JobOutcome::Refused) *sent = SendState::Unconfirmed;
        report_.failure = RunFailure{result.kind, result.outcome, result.error, {}, result.illegalIp};
        return finish();
    }
    if (sent) *sent = SendState::Acknowledged;
    const bool ip = backup_.ipSetting.has_value();
    switch (stage_) {
    case Stage::SendSafeValues:
        report_.safeValuesSent = true;
        stage_ = ip ? Stage::SendIpSetting : Stage::ReadSafeValues;
        break;
    case Stage::SendIpSetting:
        report_.ipSettingSent = true;
        stage_ = Stage::ReadSafeValues;
        break;
    case Stage::ReadSafeValues:
        readBack_.safeValues = result.raw;
        readBack_.safeValueLayout = result.safeValueLayout;
        stage_ = ip ? Stage::ReadIpSetting : Stage::Done;
        break;
    case Stage::ReadIpSetting:
        readBack_.ipSetting = result.raw;
        stage_ = Stage::Done;
        break;
    case Stage::Done: break;
    }
    next();
}

void RestoreRun::compare() {
    SnapshotResult checked = checkGatewayBlocks(readBack_);
    if (!checked.snapshot) {
        RunFailure failure;
        failure.step = JobKind::ReadSafeValues;
        failure.problem = checked.problem;
        report_.failure = failure;
        return finish();
    }
    report_.differences = compareWithBackup(backup_, *checked.snapshot);
    // The parameters and file names were never sent; only what was is checked.
    report_.differences.parameters.clear();
    // Byte for byte, as the gateway holds them; the differences say where.
    const bool ipEqual = !backup_.ipSetting || readBack_.ipSetting == backup_.blocks.ipSetting;
    report_.verified =
        readBack_.safeValues == backup_.blocks.safeValues && ipEqual && report_.differences.writableEqual();
    finish();
}

void RestoreRun::cancel() {
    if (!running_) return;
    // A send under way goes out whole all the same.
    if (SendState* sent = sendStateOf(stage_); sent && current_) *sent = SendState::Unconfirmed;
    if (current_) jobs_.cancel(*current_);
    current_.reset();
    report_.failure = RunFailure{currentKind_, JobOutcome::Cancelled, GatewayError::None, {}, {}};
    finish();
}

void RestoreRun::finish() {
    running_ = false;
    Finished finished = std::move(finished_);
    if (finished) finished(report_);
}

}  // namespace norvik
