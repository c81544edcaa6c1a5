// norvik-cli: the gateway from a terminal and from scripts, one or many at once.

#include <csignal>
#include <cstdio>
#include <exception>

#include <unistd.h>

#include "cli_options.h"
#include "cli_texts.h"
#include "device_runner.h"
#include "file_commands.h"
#include "link/headless_link.h"
#if NORVIK_CLI_PDF
#include "pdf/cli_pdf.h"
#endif
#include "stop_signals.h"
#include "targets.h"

using namespace norvik::cli;

namespace {

// A run that ends before any device reports: with --json, stdout still gets
// one document, so that a script always has an outcome to read.
int endEarly(bool json, const CliOptions& options, ExitCode code, const std::string& message) {
    std::fprintf(stderr, "norvik-cli: %s\n", message.c_str());
    if (json) std::printf("%s\n", outcomeJson(options, code, message).dump(2).c_str());
    return exitStatus(code);
}

}  // namespace

int main(int argc, char** argv) {
    const bool json = jsonAsked(argc, argv);
    try {
        const ParseOutcome parsed = parseArguments(argc, argv);
        if (!parsed.options) {
            std::fputs(parsed.text.c_str(), parsed.toStderr ? stderr : stdout);
            if (json && parsed.exit != ExitCode::Done)
                std::printf("%s\n", outcomeJson({}, parsed.exit, parsed.text).dump(2).c_str());
            return exitStatus(parsed.exit);
        }
        const CliOptions& options = *parsed.options;
        PdfWriter pdf;
        const bool wantsPdf = options.command == CommandKind::Report && !options.csv;
#if NORVIK_CLI_PDF
        std::unique_ptr<PdfSupport> pdfSupport;
        if (wantsPdf) {
            pdfSupport = std::make_unique<PdfSupport>(argc, argv);
            pdf = writePdf;
        }
#else
        if (wantsPdf) return endEarly(json, options, ExitCode::Usage, texts::kNoPdf);
#endif
        if (filesOnly(options)) {
            Terminal terminal(stdout, stderr, false);
            const DeviceReport report = options.command == CommandKind::Show ? showBackup(options.inputFile)
                                        : options.command == CommandKind::Diff
                                            ? diffBackups(options.inputFile, options.otherFile)
                                            : reportFromBackup(options, pdf);
            terminal.printReport(report, !options.json && !options.quiet, false);
            if (options.json)
                terminal.printJson(report.json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace));
            return exitStatus(report.exit);
        }
        const TargetPlan plan = planTargets(options);
        if (plan.refused != ExitCode::Done) return endEarly(json, options, plan.refused, plan.message);

        Terminal terminal(stdout, stderr, !options.quiet && ::isatty(STDERR_FILENO) == 1);
        DeviceRunner runner(
            options,
            [pace = options.tickPace ? norvik::DialoguePace::Tick : norvik::DialoguePace::AsAnswered] {
                return std::make_unique<norvik::HeadlessLink>(pace);
            },
            terminal, pdf);
        // Before any link starts a thread, so that none of them takes the signals.
        StopSignals signals([&runner](int signal) {
            runner.interrupt(signal == SIGINT ? ExitCode::Interrupted : ExitCode::Terminated);
        });
        const ExitCode result = runner.run(plan.targets);
        removeEmptyMadeFolders(plan);
        return exitStatus(result);
    } catch (const std::exception& e) {
        return endEarly(json, {}, ExitCode::FileError, e.what());
    }
}
