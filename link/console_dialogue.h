#pragma once
// The timer-driven dialogue with the gateway's console. Runs on the
// user-interface thread; blocks arrive on one short-lived worker thread at a time.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "ipsetting/ip_setting.h"
#include "link/link_session.h"
#include "link/link_ui.h"
#include "link/serial_port.h"
#include "model/gateway_config.h"

namespace norvik {

class ConsoleDialogue {
public:
    ConsoleDialogue(LinkSession& session, GatewayConfig& config, IpSettingRecord& ipSetting,
                    SerialPort& port, LinkUi& ui);
    ~ConsoleDialogue();
    ConsoleDialogue(const ConsoleDialogue&) = delete;
    ConsoleDialogue& operator=(const ConsoleDialogue&) = delete;

    void connect(const PortSettings& settings);
    void disconnect();
    void onPollTimer();
    void onAnimationTimer();
    // The worker's notice, delivered on the user-interface thread.
    void onWorkerDone(uint64_t ticket);

    // Waits until a running worker has ended (each ends within its time-out)
    // and drops what it received. Used before the port closes or the program ends.
    void finishWorker();
    bool workerRunning() const { return worker_.joinable(); }

private:
    enum class WorkerKind : uint8_t { Parameter, SafeValue, IpSetting, FileName };
    enum class LoadCommand : uint8_t { None, SafeValue, IpSetting };
    struct WorkerResult;

    bool handleReply(const std::string& line);
    void sendCommand(const char* text);
    void sendPrompt();
    void sendNextCommand();
    void silence();
    void loseLink();
    void endLinkView();
    void startAnimation();
    void startWorker(WorkerKind kind);
    void fileNameCompletion();
    bool handleSendResult(const std::string& line);
    void finishTransfer(TransferCell& transfer, TransferState code, const char* text);
    void finishReceive(TransferCell& transfer, const char* text);
    void dropWorkerResult();

    LinkSession& session_;
    GatewayConfig& config_;
    IpSettingRecord& ipSetting_;
    SerialPort& port_;
    LinkUi& ui_;

    std::thread worker_;
    std::unique_ptr<WorkerResult> result_;
    uint64_t ticket_ = 0;          // the ticket of the worker now running or last started
    LoadCommand lastLoad_ = LoadCommand::None;  // the load command sent last
};

}  // namespace norvik
