#pragma once
// Runs one command on every device at once, one link and one thread each, and
// ends them all together when asked to.

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device_run.h"
#include "link/gateway_link.h"

namespace norvik::cli {

// Where the runner writes. The progress line goes to `err` only when it is a
// terminal; results and errors are printed whole, never inside a progress line.
class Terminal {
public:
    Terminal(std::FILE* out, std::FILE* err, bool progressLine);

    void progress(std::size_t device, const std::string& text);
    void printReport(const DeviceReport& report, bool humanLines, bool named);
    void printJson(const std::string& text);
    void error(const std::string& text);
    void clearProgress();

private:
    void clearLocked();

    std::mutex mutex_;
    std::FILE* out_;
    std::FILE* err_;
    bool progressLine_;
    bool progressShown_ = false;
    std::vector<std::string> states_;
};

using LinkFactory = std::function<std::unique_ptr<GatewayLink>()>;

class DeviceRunner {
public:
    DeviceRunner(const CliOptions& options, LinkFactory makeLink, Terminal& terminal, PdfWriter pdf = {});

    // Runs the command on every target and prints the results. Returns the
    // worst exit code, or the code of the interruption.
    ExitCode run(const std::vector<DeviceTarget>& targets);

    // From any thread (the signal watcher): every link ends at once; run()
    // then returns `why`.
    void interrupt(ExitCode why);

private:
    // backup --history: the run's backups compared and committed together.
    ExitCode recordRun(const std::vector<DeviceTarget>& targets, std::vector<DeviceReport>& reports);

    const CliOptions& options_;
    LinkFactory makeLink_;
    Terminal& terminal_;
    PdfWriter pdf_;
    std::mutex linksMutex_;
    std::vector<std::unique_ptr<GatewayLink>> links_;
    std::atomic<uint8_t> interruptedBy_{0};
    std::string historyLine_;  // what the history's commit was, for people
};

}  // namespace norvik::cli
