// norvik-gatesim: a PROFIBUS-Modbus gateway console on a pseudo-terminal, so that
// Norvik can be run and tested without the hardware.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "description.h"
#include "faults.h"
#include "gateway.h"
#include "pty_server.h"
#include "wire_log.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onStopSignal(int) { stopRequested = 1; }

// Removes the link at the end of the run, however the run ends after it was made.
class SymlinkGuard {
public:
    SymlinkGuard(const std::string& link, const std::string& target) {
        if (link.empty()) return;
        struct stat st {};
        // A link left behind by a killed run is replaced; anything else is not ours to remove.
        if (::lstat(link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) throw std::runtime_error(link + ": exists and is not a symbolic link");
            ::unlink(link.c_str());
        }
        if (::symlink(target.c_str(), link.c_str()) != 0) throw std::runtime_error(link + ": " + std::strerror(errno));
        link_ = link;
    }
    SymlinkGuard(const SymlinkGuard&) = delete;
    SymlinkGuard& operator=(const SymlinkGuard&) = delete;
    ~SymlinkGuard() {
        if (!link_.empty()) ::unlink(link_.c_str());
    }

private:
    std::string link_;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace gatesim;

    CLI::App app{
        "Simulated PROFIBUS-Modbus gateway console on a pseudo-terminal.\n"
        "Prints the slave path as its first line of output and serves it until SIGTERM or SIGINT.",
        "norvik-gatesim"};
    app.set_version_flag("--version", std::string(NORVIK_VERSION));
    std::string configPath, linkPath, logPath;
    bool verbose = false, printDemo = false;
    unsigned finishDelayMs = 200, blockTimeoutMs = 3000, lateBlockMs = 0;
    unsigned silentAfter = 0, disconnectAfter = 0, lateBlocks = 0, answerTwice = 0, pauseAt = 0, pauseMs = 0;
    std::size_t truncateParameter = 0, truncateSafe = 0, truncateIp = 0, truncateFileNames = 0, overlong = 0;
    std::vector<std::string> replyErrors, lateBlockNames;
    FaultSwitches faults;

    app.add_option("--config", configPath, "JSON description of the gateway (default: the built-in HX-3420 demo)")
        ->check(CLI::ExistingFile);
    app.add_option("--link", linkPath, "Make a symbolic link to the slave here; removed on exit");
    app.add_option("--log", logPath, "Append one line per item received or sent");
    app.add_flag("--verbose", verbose, "Report the exchange on stderr");
    app.add_flag("--print-demo", printDemo, "Print the built-in demo description and exit");
    app.add_option("--finish-delay-ms", finishDelayMs, "Pause between a block and its \"finish\" line")
        ->capture_default_str();
    app.add_option("--block-timeout-ms", blockTimeoutMs,
                   "Time allowed for a block sent to the gateway and its \"transmit_end\", from its announcement")
        ->capture_default_str();

    auto* silentOpt = app.add_option("--silent-after", silentAfter, "Stop answering after N replies");
    app.add_flag("--garbage", faults.garbage, "Answer every prompt with a garbage line");
    auto* truncParamOpt = app.add_option("--truncate-parameter-block", truncateParameter,
                                         "Send only this many bytes of the parameter block");
    app.add_option("--late-block-ms", lateBlockMs, "Send every block this long after the line announcing it");
    auto* lateBlocksOpt =
        app.add_option("--late-blocks", lateBlocks, "Only the first N blocks come late (with --late-block-ms)");
    app.add_option("--late-block-of", lateBlockNames,
                   "Only these blocks come late (with --late-block-ms; repeatable, or comma-separated)")
        ->delimiter(',')
        ->check(CLI::IsMember({"parameter", "file-names", "safe", "ip"}));
    auto* disconnectOpt = app.add_option("--send-disconnect-after", disconnectAfter,
                                         "After N connect replies answer one prompt with the disconnect notice");
    app.add_option("--reply-error", replyErrors, "Answer with this error (repeatable, or comma-separated)")
        ->delimiter(',')
        ->check(CLI::IsMember({"save-safe", "receive-safe", "read-safe", "save-ip", "receive-ip", "read-ip"}));
    app.add_flag("--ignore-file-name", faults.ignoreFileName, "Never answer LOAD--FILE_NAME");
    app.add_flag("--bad-file-name-reply", faults.badFileNameReply, "Send a file-name reply with a wrong header");
    auto* overlongOpt =
        app.add_option("--overlong-line", overlong, "Answer the first prompt with an N-byte line ahead of its answer");
    auto* truncSafeOpt = app.add_option("--truncate-safe-block", truncateSafe,
                                        "Send only this many bytes of the stored safe-value block");
    auto* truncIpOpt =
        app.add_option("--truncate-ip-block", truncateIp, "Send only this many bytes of the stored IP setting block");
    auto* truncNamesOpt = app.add_option("--truncate-file-name-reply", truncateFileNames,
                                         "Send only this many bytes of the file-name reply");
    std::size_t shortBlockBy = 0;
    std::vector<std::string> shortBlockNames;
    app.add_option("--short-block-by", shortBlockBy,
                   "Send every block this many bytes short (after any --truncate-...), so that its finish "
                   "line makes up its last bytes");
    app.add_option("--short-block-of", shortBlockNames,
                   "Only these blocks come short (with --short-block-by; repeatable, or comma-separated)")
        ->delimiter(',')
        ->check(CLI::IsMember({"parameter", "file-names", "safe", "ip"}));
    app.add_option("--vanish-after-storing", faults.vanishAfterStoring,
                   "End at once, without its reply, once a block of this kind is stored")
        ->check(CLI::IsMember({"safe", "ip"}));
    app.add_option("--noise-lines", faults.noiseLines, "Say N lines nobody knows ahead of every answer");
    app.add_option("--blank-lines", faults.blankLines, "Say N empty lines ahead of every answer");
    app.add_flag("--stray-inside-transfer", faults.strayInsideTransfer,
                 "Say the --noise-lines and --blank-lines between a block and its \"finish\" line instead, where "
                 "Norvik refuses the block");
    app.add_flag("--banner", faults.banner, "Show a boot banner ahead of the first answer");
    auto* answerTwiceOpt = app.add_option("--answer-twice", answerTwice,
                                          "Answer the N-th prompt (counted from 1) with two connect replies");
    auto* pauseAtOpt = app.add_option("--pause-at", pauseAt,
                                      "Hold the answer to the N-th line received (counted from 1) for --pause-ms; "
                                      "every later answer waits behind it");
    app.add_option("--pause-ms", pauseMs, "How long --pause-at holds the answer")->capture_default_str();
    uint32_t chaosSeed = 0;
    unsigned chaosPercent = 10, chaosForMs = 60000;
    auto* chaosOpt = app.add_option("--chaos", chaosSeed,
                                    "Faults at random, drawn from this seed: each line received meets silence, "
                                    "garbage, the disconnect notice, an over-long line, a block cut short, a "
                                    "block a few bytes short or noise lines ahead of the answer");
    app.add_option("--chaos-percent", chaosPercent, "The chance, in percent, that --chaos strikes a line")
        ->check(CLI::Range(0u, 100u))
        ->capture_default_str();
    app.add_option("--chaos-for-ms", chaosForMs, "How long after the start --chaos lasts; then the gateway behaves")
        ->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    if (printDemo) {
        std::cout << demoDescriptionJson();
        return 0;
    }

    if (*silentOpt) faults.silentAfter = silentAfter;
    if (*truncParamOpt) faults.truncateParameterBlock = truncateParameter;
    if (*disconnectOpt) faults.sendDisconnectAfter = disconnectAfter;
    if (*overlongOpt) faults.overlongLine = overlong;
    if (*lateBlocksOpt) faults.lateBlockCount = lateBlocks;
    if (*truncSafeOpt) faults.truncateSafeBlock = truncateSafe;
    if (*truncIpOpt) faults.truncateIpBlock = truncateIp;
    if (*truncNamesOpt) faults.truncateFileNameReply = truncateFileNames;
    if (*answerTwiceOpt) faults.answerTwice = answerTwice;
    if (*pauseAtOpt) faults.pauseAt = pauseAt;
    faults.pause = std::chrono::milliseconds(pauseMs);
    if (*chaosOpt) faults.chaosSeed = chaosSeed;
    faults.chaosPercent = chaosPercent;
    faults.chaosFor = std::chrono::milliseconds(chaosForMs);
    static const std::map<std::string, BlockName> kBlockNames{{"parameter", BlockName::Parameter},
                                                              {"file-names", BlockName::FileNames},
                                                              {"safe", BlockName::SafeValues},
                                                              {"ip", BlockName::IpSetting}};
    for (const auto& b : lateBlockNames) faults.lateBlockNames.insert(kBlockNames.at(b));
    faults.shortBlockBy = shortBlockBy;
    for (const auto& b : shortBlockNames) faults.shortBlockNames.insert(kBlockNames.at(b));
    faults.lateBlock = std::chrono::milliseconds(lateBlockMs);
    static const std::map<std::string, ReplyError> kReplyErrors{
        {"save-safe", ReplyError::SaveSafe},   {"receive-safe", ReplyError::ReceiveSafe},
        {"read-safe", ReplyError::ReadSafe},   {"save-ip", ReplyError::SaveIp},
        {"receive-ip", ReplyError::ReceiveIp}, {"read-ip", ReplyError::ReadIp}};
    for (const auto& e : replyErrors) faults.replyErrors.insert(kReplyErrors.at(e));
    Timing timing{std::chrono::milliseconds(finishDelayMs), std::chrono::milliseconds(blockTimeoutMs)};

    // The stop signals stay blocked except while the server waits, so a stop
    // request can never slip in between the flag test and the wait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    // The reader of our first line may close its end; that must not kill the gateway.
    std::signal(SIGPIPE, SIG_IGN);

    try {
        GatewayDescription description =
            configPath.empty() ? parseDescription(demoDescriptionJson()) : loadDescriptionFile(configPath);
        WireLog log;
        log.setVerbose(verbose);
        if (!logPath.empty()) log.openFile(logPath);

        PseudoTerminal pty;
        SymlinkGuard link(linkPath, pty.slavePath());
        std::printf("%s\n", pty.slavePath().c_str());
        std::fflush(stdout);
        log.note("serving " + pty.slavePath() + " as an " + description.model);

        Gateway gateway(std::move(description), faults, timing, log);
        serve(gateway, pty.master(), log, stopRequested);
        log.note("stopped");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "norvik-gatesim: %s\n", e.what());
        return 2;
    }
    return 0;
}
