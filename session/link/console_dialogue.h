#pragma once
// The dialogue with the gateway's console as its callers hold it: the
// exchange rules, the jobs they carry out, and the window told of what
// changes, through the LinkUi it was given. Runs on the link's thread; blocks arrive on one short-lived worker
// thread at a time. See ExchangeRules for the rules, JobQueue for the jobs.

#include <cstdint>

#include "ipsetting/ip_setting.h"
#include "link/dialogue_hooks.h"
#include "link/exchange_rules.h"
#include "link/gateway_jobs.h"
#include "link/link_session.h"
#include "link/link_ui_adapter.h"
#include "link/link_ui.h"
#include "model/gateway_config.h"
#include "serial/serial_port.h"

namespace norvik {

class ConsoleDialogue final : public GatewayJobs {
public:
    static constexpr uint8_t kExchangeTimeoutTicks = ExchangeRules::kExchangeTimeoutTicks;

    ConsoleDialogue(LinkSession& session, GatewayConfig& config, IpSettingRecord& ipSetting, SerialPort& port,
                    LinkUi& ui, DialogueHooks hooks, DialoguePace pace = DialoguePace::Tick)
        : adapter_(ui), rules_(session, config, ipSetting, port, adapter_, ui, std::move(hooks), pace) {}

    void connect(const PortSettings& settings) { rules_.connect(settings); }
    // Cuts a running worker short, joins it, then closes the port.
    void disconnect() { rules_.disconnect(); }
    void onPollTimer() { rules_.onPollTimer(); }
    // AsAnswered: a whole line has arrived (the caller waits for one while no
    // worker owns the port). Acts on what has come; counts no tick.
    void onLinesArrived() { rules_.onLinesArrived(); }
    DialoguePace pace() const { return rules_.pace(); }
    void onAnimationTimer() { rules_.onAnimationTimer(); }
    // The worker's notice. The worker posts it through the hook; tests hand
    // in stale tickets themselves.
    void onWorkerDone(uint64_t ticket) { rules_.onWorkerDone(ticket); }

    // GatewayJobs
    JobId submit(Job job, JobDone done, JobProgressHook progress = {}) override {
        return rules_.submit(std::move(job), std::move(done), std::move(progress));
    }
    bool cancel(JobId id) override { return rules_.cancel(id); }
    std::size_t pendingJobs() const override { return rules_.pendingJobs(); }

    // The window ends: a running worker is cut short and joined and what it
    // received is dropped. The port is left as it is.
    void finishWorker() { rules_.finishWorker(); }
    // A worker was started and its notice has not been taken: the port is its.
    bool workerBusy() const { return rules_.workerBusy(); }
    bool workerRunning() const { return rules_.workerRunning(); }
    bool exchangeOpen() const { return rules_.exchangeOpen(); }
    // The progress bar runs.
    bool animating() const { return rules_.animating(); }
    // What the window was told, as a value.
    const LinkView& view() const { return rules_.view(); }

private:
    // Ahead of the rules, which tell it from their first to their last moment.
    LinkUiAdapter adapter_;
    ExchangeRules rules_;
};

}  // namespace norvik
