#pragma once
// Typed requests to the gateway. Whatever needs the gateway (the window, its
// dialogs, a backup, the command-line tool) asks through GatewayJobs and is
// told how the job ended exactly once:
//
//   submit ──▶ queued ──(a "connect" reply, in command order)──▶ running ──▶ ended
//                 └──────────── cancel, Disconnect, link lost ──────────────▶ ended
//
// Jobs run one at a time, each as one exchange of the console dialogue, at the
// gateway's "connect" replies in the order of the dialogue's command rule
// (parameters, send safe values, load safe values, file names, send IP
// setting, load IP setting). The outcome is handed to the asking thread
// through the posting hook the dialogue was given: never from inside submit()
// or cancel(), never on a worker thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "firmware/file_names.h"
#include "ipsetting/ip_setting.h"
#include "model/gateway_config.h"
#include "safevalue/safe_value_layout.h"

namespace norvik {

enum class JobKind : uint8_t {
    ReadParameters,
    ReadFileNames,
    ReadSafeValues,
    SendSafeValues,
    ReadIpSetting,
    SendIpSetting,
};

enum class JobOutcome : uint8_t {
    Done,             // with its data (a read) or stored by the gateway (a send)
    GatewayError,     // the gateway answered with an error line: see JobResult::error
    BlockIncomplete,  // a block did not come whole (or, for a send, could not go out whole)
    NoAnswer,         // the gateway did not answer in time
    LinkLost,         // Disconnect, Exit, the module's silence or notice, the device gone
    Cancelled,        // cancel() before it ended
    Refused,          // never sent: the block breaks a rule of the gateway (see JobResult::illegalIp)
};

// Which error line the gateway answered.
enum class GatewayError : uint8_t {
    None,
    ReadEeprom,     // "read eeprom error!" to a load
    SaveFailed,     // "save_safe_value error!" / "save_ip_setting error!"
    ReceiveFailed,  // "receive_safe_value error!" / "receive_ip_setting error!"
};

// What to ask. A send carries its block: the safe-value bytes (of the
// gateway's layout) or the IP setting record.
struct Job {
    JobKind kind = JobKind::ReadParameters;
    std::vector<uint8_t> safeValues;
    IpSettingRecord ipSetting{};

    static Job read(JobKind kind) { return Job{kind, {}, {}}; }
    static Job sendSafeValues(std::vector<uint8_t> bytes) { return Job{JobKind::SendSafeValues, std::move(bytes), {}}; }
    static Job sendIpSetting(const IpSettingRecord& record) { return Job{JobKind::SendIpSetting, {}, record}; }
};

struct JobResult {
    JobKind kind = JobKind::ReadParameters;
    JobOutcome outcome = JobOutcome::Done;
    GatewayError error = GatewayError::None;

    // The block exactly as it came over the wire, for a Done read: the
    // parameter block (header and records), the file-name reply, the
    // safe-value block, the 76-byte IP setting block.
    std::vector<uint8_t> raw;
    // Decoded, for a Done read of its kind.
    // ReadParameters. Held apart: a configuration is some 11 KB, and a result
    // is moved and posted for every job of every kind.
    std::shared_ptr<const GatewayConfig> config;
    FileNameList fileNames{};                                     // ReadFileNames
    uint8_t fileCount = 0;                                        // ReadFileNames
    SafeValueLayout safeValueLayout = SafeValueLayout::Block512;  // ReadSafeValues, ReadFileNames
    std::vector<uint8_t> safeValues;                              // ReadSafeValues
    IpSettingRecord ipSetting{};                                  // ReadIpSetting
    // Refused: the address that may not be sent.
    std::optional<IllegalIpAddress> illegalIp;
    // From submit() to the end, on the dialogue's clock.
    uint64_t elapsedMs = 0;

    bool done() const { return outcome == JobOutcome::Done; }
};

// How far a block has come, while a job's block is on the wire.
struct JobProgress {
    JobKind kind = JobKind::ReadParameters;
    uint32_t bytes = 0;
    uint32_t total = 0;  // 0 while the size is not yet known
};

using JobId = uint64_t;
using JobDone = std::function<void(const JobResult&)>;
using JobProgressHook = std::function<void(const JobProgress&)>;

class GatewayJobs {
public:
    virtual ~GatewayJobs() = default;

    // Queues a job. `done` is called exactly once, later, on the asking thread.
    // `progress`, when given, is called there too while its block is on the wire.
    // A job submitted while no link is open ends at once (posted) with LinkLost.
    virtual JobId submit(Job job, JobDone done, JobProgressHook progress = {}) = 0;
    // Ends a queued or running job with Cancelled. A running send whose block
    // the gateway is already taking is finished on the wire first (a line sent
    // into a block would corrupt it); its outcome is still Cancelled. False
    // when the job has already ended.
    virtual bool cancel(JobId id) = 0;
    // Jobs queued or running.
    virtual std::size_t pendingJobs() const = 0;
};

// Why a send may not go to the gateway, or nothing when it may. The console
// dialogue ends such a job at once as Refused, so no path can put it on the
// wire; paths that send more than one block ask first, before any goes out.
std::optional<IllegalIpAddress> sendRefusal(const Job& job);

// A job's name as the gateway's console knows it, for logs and tests.
const char* jobKindName(JobKind kind);
const char* jobOutcomeName(JobOutcome outcome);

}  // namespace norvik
