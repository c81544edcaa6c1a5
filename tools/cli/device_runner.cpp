#include "device_runner.h"

#include <algorithm>
#include <filesystem>
#include <semaphore>
#include <string_view>
#include <thread>

#include "backup_history.h"
#include "cli_texts.h"
#include "targets.h"

namespace norvik::cli {

using nlohmann::json;

const char* outcomeName(ExitCode code) {
    switch (code) {
    case ExitCode::Done: return "done";
    case ExitCode::Usage: return "usage";
    case ExitCode::PortError: return "port-error";
    case ExitCode::NoAnswer: return "no-answer";
    case ExitCode::GatewayError: return "gateway-error";
    case ExitCode::Differs: return "differs";
    case ExitCode::FileError: return "file-error";
    case ExitCode::Interrupted: return "interrupted";
    case ExitCode::Terminated: return "terminated";
    }
    return "?";
}

json outcomeJson(const CliOptions& options, ExitCode code, const std::string& message) {
    json document{{"outcome", outcomeName(code)}, {"exit_code", exitStatus(code)}};
    if (options.json) document["command"] = commandName(options.command);
    if (!message.empty()) document["error"] = {{"message", message}};
    return document;
}

bool jsonAsked(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg == "--json") return true;
    }
    return false;
}

Terminal::Terminal(std::FILE* out, std::FILE* err, bool progressLine)
    : out_(out), err_(err), progressLine_(progressLine) {}

void Terminal::progress(std::size_t device, const std::string& text) {
    if (!progressLine_) return;
    std::lock_guard lock(mutex_);
    if (states_.size() <= device) states_.resize(device + 1);
    states_[device] = text;
    std::string line;
    for (const std::string& state : states_) {
        if (state.empty()) continue;
        if (!line.empty()) line += " | ";
        line += state;
    }
    // One line, redrawn in place; cut to a common terminal's width so that it
    // never wraps and leaves a trail of old lines behind.
    if (line.size() > 79) line = line.substr(0, 78) + "~";
    std::fprintf(err_, "\r\033[K%s", line.c_str());
    std::fflush(err_);
    progressShown_ = true;
}

void Terminal::clearLocked() {
    if (!progressShown_) return;
    std::fputs("\r\033[K", err_);
    std::fflush(err_);
    progressShown_ = false;
}

void Terminal::clearProgress() {
    std::lock_guard lock(mutex_);
    clearLocked();
}

void Terminal::printReport(const DeviceReport& report, bool humanLines, bool named) {
    std::lock_guard lock(mutex_);
    clearLocked();
    const std::string prefix = named ? report.device + ": " : "";
    // Every line says which device it is about: the runs of several devices end in any order.
    for (const std::string& error : report.errors) {
        std::string::size_type start = 0;
        for (std::string::size_type end; (end = error.find('\n', start)) != std::string::npos; start = end + 1)
            std::fprintf(err_, "%s%s\n", end > start ? prefix.c_str() : "", error.substr(start, end - start).c_str());
        std::fprintf(err_, "%s%s\n", prefix.c_str(), error.substr(start).c_str());
    }
    std::fflush(err_);
    if (!humanLines) return;
    if (named && !report.lines.empty()) std::fprintf(out_, "%s\n", report.device.c_str());
    for (const std::string& line : report.lines) std::fprintf(out_, "%s%s\n", named ? "  " : "", line.c_str());
    std::fflush(out_);
}

void Terminal::printJson(const std::string& text) {
    std::lock_guard lock(mutex_);
    clearLocked();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

void Terminal::error(const std::string& text) {
    std::lock_guard lock(mutex_);
    clearLocked();
    std::fprintf(err_, "%s\n", text.c_str());
    std::fflush(err_);
}

DeviceRunner::DeviceRunner(const CliOptions& options, LinkFactory makeLink, Terminal& terminal, PdfWriter pdf)
    : options_(options), makeLink_(std::move(makeLink)), terminal_(terminal), pdf_(std::move(pdf)) {}

void DeviceRunner::interrupt(ExitCode why) {
    uint8_t none = 0;
    interruptedBy_.compare_exchange_strong(none, static_cast<uint8_t>(why));
    std::lock_guard lock(linksMutex_);
    for (const auto& link : links_) link->interrupt();
}

namespace {

// The path of this program, for the history's diff driver: the norvik-cli
// that wrote the files can also show them.
std::string thisProgram() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("norvik-cli") : self.string();
}

const char* historyWord(HistoryState state) {
    switch (state) {
    case HistoryState::New: return "first backup";
    case HistoryState::Changed: return "changed";
    case HistoryState::Unchanged: return "unchanged";
    case HistoryState::Failed: return "failed";
    }
    return "";
}

}  // namespace

ExitCode DeviceRunner::run(const std::vector<DeviceTarget>& targets) {
    {
        std::lock_guard lock(linksMutex_);
        for (std::size_t i = 0; i < targets.size(); ++i) links_.push_back(makeLink_());
        // A signal that came while the links were being made finds them here.
        if (interruptedBy_.load() != 0)
            for (const auto& link : links_) link->interrupt();
    }
    const bool several = targets.size() > 1 || !options_.inventory.empty();
    const bool human = !options_.json && !options_.quiet;
    // The history's lines follow its commit; until then there is nothing to say.
    const bool tellAtOnce = !options_.history;
    std::vector<DeviceReport> reports(targets.size());
    std::vector<std::thread> threads;
    // At most `jobs` gateways hold their link at once; the others wait their turn.
    const std::size_t jobs = options_.jobs > 0 ? options_.jobs : std::min<std::size_t>(targets.size(), kDefaultJobs);
    std::counting_semaphore<> slots(static_cast<std::ptrdiff_t>(std::max<std::size_t>(jobs, 1)));
    for (std::size_t i = 0; i < targets.size(); ++i) {
        threads.emplace_back([&, i] {
            const std::string label = targets[i].name.empty() ? deviceFileStem(targets[i].device) : targets[i].name;
            const std::string name = several ? label + " " : "";
            ProgressReport progress = [&, i, name](const std::string& phase, int percent) {
                terminal_.progress(i, name + phase + (percent >= 0 ? " " + std::to_string(percent) + "%" : ""));
            };
            slots.acquire();
            reports[i] = runOnDevice(options_, targets[i], *links_[i], progress, pdf_);
            slots.release();
            if (!targets[i].name.empty()) {
                reports[i].device = targets[i].name;
                reports[i].json["name"] = targets[i].name;
            }
            terminal_.progress(i, "");
            // Results are told as each device ends, unless the run was cut:
            // then only that it was, once, below.
            if (interruptedBy_.load() == 0 && tellAtOnce) terminal_.printReport(reports[i], human, several);
        });
    }
    for (std::thread& t : threads) t.join();
    terminal_.clearProgress();

    if (const uint8_t why = interruptedBy_.load(); why != 0) {
        const auto code = static_cast<ExitCode>(why);
        terminal_.error(code == ExitCode::Interrupted ? texts::kInterrupted : texts::kTerminated);
        // One document that says so, and none of the devices' results: a
        // script must not take a cut run's partial results for the whole.
        if (options_.json) terminal_.printJson(outcomeJson(options_, code, {}).dump(2));
        return code;
    }
    ExitCode worst = ExitCode::Done;
    if (options_.history) worst = recordRun(targets, reports);
    for (const DeviceReport& report : reports) {
        worst = worse(worst, report.exit);
        if (!tellAtOnce) terminal_.printReport(report, human, several);
    }
    if (human && !historyLine_.empty()) {
        DeviceReport summary;
        summary.lines.push_back(historyLine_);
        terminal_.printReport(summary, true, false);
    }
    if (options_.json) {
        nlohmann::json out;
        if (several) {
            out = nlohmann::json::array();
            for (DeviceReport& report : reports) out.push_back(std::move(report.json));
        } else if (!reports.empty()) {
            out = std::move(reports.front().json);
        }
        terminal_.printJson(out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace));
    }
    return worst;
}

ExitCode DeviceRunner::recordRun(const std::vector<DeviceTarget>& targets, std::vector<DeviceReport>& reports) {
    std::vector<HistoryGateway> gateways;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const std::string stem = targets[i].name.empty() ? deviceFileStem(targets[i].device) : targets[i].name;
        std::string why = reports[i].errors.empty() ? outcomeName(reports[i].exit) : reports[i].errors.front();
        gateways.push_back({stem, std::move(reports[i].backup), std::move(why)});
    }
    const HistoryRun run = recordHistory(options_.output, gateways, thisProgram());
    if (!run.error.empty()) {
        terminal_.error("norvik-cli: " + options_.output + ": " + run.error + "; nothing was committed");
        for (DeviceReport& report : reports) report.json["commit"] = nullptr;
        return ExitCode::FileError;
    }
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const HistoryEntry& e = run.entries[i];
        DeviceReport& report = reports[i];
        const bool changed = e.state == HistoryState::New || e.state == HistoryState::Changed;
        report.json["changed"] = changed;
        report.json["commit"] = e.state == HistoryState::Failed ? nlohmann::json(nullptr)
                                : changed                       ? nlohmann::json(run.commit.value_or(""))
                                                                : nlohmann::json(run.head);
        if (e.state == HistoryState::Failed) continue;
        report.json["file"] = (std::filesystem::path(options_.output) / (e.name + ".norvik")).string();
        std::string line = historyWord(e.state);
        for (std::size_t b = 0; b < e.blocks.size(); ++b) line += (b == 0 ? ": " : ", ") + e.blocks[b];
        report.lines.push_back(line);
    }
    historyLine_ = run.commit ? "Committed " + run.commit->substr(0, 12) + ": " + historySubject(run)
                              : "Nothing changed: no commit (" + historySubject(run) + ")";
    return ExitCode::Done;
}

}  // namespace norvik::cli
