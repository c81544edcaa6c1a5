#pragma once
// The rules of the dialogue with the gateway's console, driven by the caller's
// ticks: the link (its port opened, and each way it ends), the tick that reads
// the lines come and hands each to the exchange under way (ExchangeMachine,
// the state machine over those lines and blocks), the prompt that keeps an
// idle link alive and the silence that ends it. Runs on the link's thread;
// blocks arrive on one short-lived worker at a time. It does no I/O beyond the
// port and the worker runner it is given.
//
// The dialogue carries out GatewayJobs: each job is one exchange, started at a
// "connect" reply in the command order; the exchange's end ends the job. The
// parameter load after Connect and the first file-name query run whether or
// not a job asks for them; a job that does rides along with them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ipsetting/ip_setting.h"
#include "link/block_worker.h"
#include "link/command_output.h"
#include "link/dialogue_hooks.h"
#include "link/exchange_machine.h"
#include "link/gateway_jobs.h"
#include "link/job_queue.h"
#include "link/link_session.h"
#include "link/link_ui.h"
#include "link/link_view.h"
#include "link/progress_animation.h"
#include "serial/serial_port.h"
#include "model/gateway_config.h"

namespace norvik {

// How the dialogue keeps time with the gateway. Tick: it reads and answers on
// the one-second tick alone, the window's pace. AsAnswered: the caller also
// hands it every line as it arrives, and the next command goes out as soon as
// the answer before it has been read; the keep-alive prompt still goes once a
// second, and only while the link is idle. Every other rule is the same.
enum class DialoguePace : uint8_t { Tick, AsAnswered };

class ExchangeRules final : public GatewayJobs {
public:
    // Silent ticks an open exchange waits for a line of its answer.
    static constexpr uint8_t kExchangeTimeoutTicks = ExchangeMachine::kExchangeTimeoutTicks;

    ExchangeRules(LinkSession& session, GatewayConfig& config, IpSettingRecord& ipSetting, SerialPort& port,
                  LinkViewSink& view, LinkTimers& timers, DialogueHooks hooks, DialoguePace pace = DialoguePace::Tick);
    ~ExchangeRules() override;
    ExchangeRules(const ExchangeRules&) = delete;
    ExchangeRules& operator=(const ExchangeRules&) = delete;

    void connect(const PortSettings& settings);
    // Cuts a running worker short, joins it, then closes the port.
    void disconnect();
    void onPollTimer();
    // AsAnswered: a whole line has arrived (the caller waits for one while no
    // worker owns the port). Acts on what has come; counts no tick.
    void onLinesArrived();
    DialoguePace pace() const { return pace_; }
    void onAnimationTimer();
    // The worker's notice. The worker posts it through the hook; tests hand
    // in stale tickets themselves.
    void onWorkerDone(uint64_t ticket);

    // GatewayJobs
    JobId submit(Job job, JobDone done, JobProgressHook progress = {}) override;
    bool cancel(JobId id) override;
    std::size_t pendingJobs() const override;

    // The window ends: a running worker is cut short and joined and what it
    // received is dropped. The port is left as it is.
    void finishWorker();
    // A worker was started and its notice has not been taken: the port is its.
    bool workerBusy() const { return worker_.busy(); }
    bool workerRunning() const { return worker_.running(); }
    bool exchangeOpen() const { return machine_.open(); }
    // The progress bar runs.
    bool animating() const { return progress_.running(); }
    // What the window shows of the link now.
    const LinkView& view() const { return view_.view(); }

private:
    // A line as read; false when it is no reply the dialogue knows.
    bool handleLine(std::string_view line);
    void onConnectReply();
    // Reads every line that has come and acts on the replies; whether one
    // came, or nothing once the device has gone.
    std::optional<bool> readReplies(uint16_t firstWaitMs);
    // AsAnswered: what the tick does once a second, and a job's prompt at once.
    void keepAlive();
    void silence();

    // The ways a link ends, each resetting what that ending resets.
    void endFailedOpen(uint16_t code);
    void endDisconnect();
    void endLostDevice(uint32_t code);
    void endDisconnectNotice();
    enum class LinkEnd : uint8_t { Disconnect, DeviceLost, Silence, Notice };
    void resetLink(LinkEnd end);
    bool endIfDeviceGone();

    LinkSession& session_;
    GatewayConfig& config_;
    SerialPort& port_;
    LinkViewState view_;
    LinkTimers& timers_;
    DialogueHooks hooks_;
    DialoguePace pace_;
    JobQueue jobs_;
    BlockWorker worker_;
    CommandOutput output_;
    ProgressAnimation progress_;
    ExchangeMachine machine_;

    // Ticks in a row that a queued safe-value job has kept quiet.
    uint8_t quietTicks_ = 0;
    // AsAnswered: a reply was read between ticks.
    bool heardSinceTick_ = false;
    // The line being read, or the bytes dropped after a block: kept so that reading allocates nothing.
    std::string line_;
};

}  // namespace norvik
