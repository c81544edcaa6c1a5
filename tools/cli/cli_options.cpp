#include "cli_options.h"

#include <algorithm>
#include <map>

#include <CLI/CLI.hpp>

#include "norvik_version.h"

namespace norvik::cli {

const char* commandName(CommandKind kind) {
    switch (kind) {
    case CommandKind::Info: return "info";
    case CommandKind::Files: return "files";
    case CommandKind::SafeValuesGet: return "safe-values get";
    case CommandKind::SafeValuesPut: return "safe-values put";
    case CommandKind::IpGet: return "ip get";
    case CommandKind::IpPut: return "ip put";
    case CommandKind::Backup: return "backup";
    case CommandKind::Restore: return "restore";
    case CommandKind::Diff: return "diff";
    case CommandKind::Report: return "report";
    case CommandKind::Show: return "show";
    }
    return "?";
}

bool filesOnly(const CliOptions& options) {
    return options.command == CommandKind::Show ||
           (options.command == CommandKind::Diff && !options.otherFile.empty()) ||
           (options.command == CommandKind::Report && !options.fromBackup.empty());
}

bool writesOutput(CommandKind kind) {
    return kind == CommandKind::SafeValuesGet || kind == CommandKind::IpGet || kind == CommandKind::Backup ||
           kind == CommandKind::Report;
}

namespace {

// A subcommand and the command it stands for.
struct Chosen {
    CLI::App* app;
    CommandKind kind;
};

// CLI11 tells of a word that names no command only as a missing one ("A
// subcommand is required"): name the word and the commands there are instead.
// Empty when no command level has a stray word.
std::string unknownCommandText(const CLI::App& app) {
    const CLI::App* level = &app;
    for (bool deeper = true; deeper;) {
        deeper = false;
        for (const CLI::App* sub : level->get_subcommands([](const CLI::App*) { return true; }))
            if (sub->parsed()) {
                level = sub;
                deeper = true;
                break;
            }
    }
    const std::vector<const CLI::App*> commands = level->get_subcommands([](const CLI::App*) { return true; });
    if (commands.empty()) return {};
    // A word the level does not take may have been handed up to the top.
    std::vector<std::string> words = level->remaining();
    if (level != &app)
        for (const std::string& word : app.remaining()) words.push_back(word);
    for (const std::string& word : words) {
        if (word.empty() || word.front() == '-') continue;
        std::string names;
        for (const CLI::App* command : commands) {
            if (!names.empty()) names += ", ";
            names += command->get_name();
        }
        const std::string where = level == &app ? std::string() : " of " + level->get_name();
        return "norvik-cli: unknown command '" + word + "'\nThe commands" + where + ": " + names + "\n";
    }
    return {};
}

}  // namespace

ParseOutcome parseArguments(int argc, const char* const* argv) {
    CliOptions o;
    CLI::App app{
        "Reads and configures HX-3410 and HX-3420 PROFIBUS to Modbus gateways over their serial\n"
        "console, one or many at once, without a window.\n\n"
        "Commands:\n"
        "  info                        model, modules and parameters\n"
        "  files                       the firmware's file names\n"
        "  safe-values get -o FILE     read the safe values into a .ptm file\n"
        "  safe-values put FILE        send a .ptm file, then read back and compare\n"
        "  ip get -o FILE              (HX-3420) read the IP setting into a .ptm file\n"
        "  ip put FILE                 (HX-3420) send, then read back and compare\n"
        "  backup -o FILE              everything, as the window's Back Up (same file format)\n"
        "  restore FILE [--dry-run]    as the window's Restore, verified; --dry-run prints the differences\n"
        "  diff FILE                   the differences between a backup and the gateway\n"
        "  diff A B                    the differences between two backups, no gateway needed\n"
        "  show FILE                   a backup as text, one item a line\n"
        "  report -o FILE.pdf | -o FOLDER --csv [--from-backup FILE]\n"
        "                              the commissioning report\n"
        "With several --device options, or --inventory, the command runs on every gateway at once; -o\n"
        "then names a folder, and each file in it is named after its device or its inventory name.\n"
        "backup -o DIR --history keeps DIR as a git repository: one commit per run, only of what changed.",
        "norvik-cli"};
    app.set_version_flag("--version", std::string(NORVIK_VERSION));
    app.require_subcommand(1);
    app.fallthrough();
    app.footer(kExitCodeHelp);

    int port = 0;
    std::string parity = "none";
    app.add_option("--device", o.devices,
                   "Device path of a gateway's port (/dev/serial/by-id/..., a pty, rfc2217://HOST:PORT, "
                   "socket://HOST:PORT); repeat it to run on several "
                   "gateways at once")
        ->type_name("PATH")
        // One path to each --device, so that a word after it is read as the command.
        ->allow_extra_args(false);
    auto* portOption = app.add_option("--port", port, "Com port N as the window maps it (default: Com1)")
                           ->check(CLI::Range(1, 8))
                           ->type_name("N");
    portOption->excludes(app.get_option("--device"));
    auto* inventoryOption =
        app.add_option("--inventory", o.inventory,
                       "File of gateways, one a line: NAME DEVICE [BAUD] [PARITY]; runs on every one at once")
            ->type_name("FILE");
    inventoryOption->excludes(app.get_option("--device"));
    inventoryOption->excludes(portOption);
    app.add_option("--jobs", o.jobs, "Gateways run at once (default: all, at most 64)")
        ->check(CLI::Range(1, 1024))
        ->type_name("N");
    app.add_option("--baud", o.baud, "Baud rate")
        ->check(CLI::IsMember(std::vector<uint32_t>(kBaudRates.begin(), kBaudRates.end())))
        ->capture_default_str()
        ->type_name("RATE");
    app.add_option("--parity", parity, "Parity")
        ->check(CLI::IsMember({"none", "odd", "even"}, CLI::ignore_case))
        ->capture_default_str();
    app.add_flag("--json", o.json, "One JSON document per device on stdout (an array for several devices)");
    app.add_flag("--quiet", o.quiet, "Nothing on stdout but --json output; errors still go to stderr");
    std::string pace = "as-answered";
    app.add_option("--pace", pace,
                   "as-answered: each command goes out as soon as the last was answered; tick: one step a second, "
                   "as the window talks, for a gateway that needs it")
        ->check(CLI::IsMember({"as-answered", "tick"}))
        ->capture_default_str();

    std::vector<Chosen> chosen;
    auto command = [&](CLI::App& parent, const char* name, const char* help, CommandKind kind) {
        CLI::App* sub = parent.add_subcommand(name, help);
        chosen.push_back({sub, kind});
        return sub;
    };
    auto outputOption = [&](CLI::App* sub, const char* help) {
        sub->add_option("-o,--output", o.output, help)->required()->type_name("PATH");
    };
    auto inputFile = [&](CLI::App* sub, const char* help) { sub->add_option("FILE", o.inputFile, help)->required(); };
    auto noVerify = [&](CLI::App* sub) {
        sub->add_flag("--no-verify", o.noVerify, "Skip the read-back after sending");
    };

    command(app, "info", "Model, modules and parameters", CommandKind::Info);
    command(app, "files", "The firmware's file names", CommandKind::Files);

    CLI::App* safeValues = app.add_subcommand("safe-values", "The safe values the outputs take when PROFIBUS stops");
    safeValues->require_subcommand(1);
    outputOption(command(*safeValues, "get", "Read the safe values into a .ptm file", CommandKind::SafeValuesGet),
                 "The .ptm file to write (a folder with several devices)");
    CLI::App* svPut =
        command(*safeValues, "put", "Send a .ptm file, then read back and compare", CommandKind::SafeValuesPut);
    inputFile(svPut, "The .ptm file to send");
    noVerify(svPut);

    CLI::App* ip = app.add_subcommand("ip", "The IP setting (HX-3420)");
    ip->require_subcommand(1);
    outputOption(command(*ip, "get", "Read the IP setting into a .ptm file", CommandKind::IpGet),
                 "The .ptm file to write (a folder with several devices)");
    CLI::App* ipPut = command(*ip, "put", "Send a .ptm file, then read back and compare", CommandKind::IpPut);
    inputFile(ipPut, "The .ptm file to send");
    noVerify(ipPut);

    CLI::App* backup =
        command(app, "backup", "Everything, as the window's Back Up (same file format)", CommandKind::Backup);
    outputOption(backup, "The backup file to write (a folder with several devices)");
    backup->add_flag("--history", o.history,
                     "Keep -o as a git repository: a gateway's file is rewritten only when what it holds changed, "
                     "in one commit per run");
    CLI::App* restore = command(app, "restore", "As the window's Restore, verified", CommandKind::Restore);
    inputFile(restore, "The backup file to restore");
    restore->add_flag("--dry-run", o.dryRun, "Print the differences, send nothing");
    noVerify(restore);
    CLI::App* diff =
        command(app, "diff", "The differences between a backup and the gateway, or two backups", CommandKind::Diff);
    inputFile(diff, "The backup file to compare with");
    diff->add_option("OTHER", o.otherFile, "A second backup file: compare the two, no gateway needed");
    inputFile(command(app, "show", "A backup file as text, one item a line", CommandKind::Show),
              "The backup file to show");
    CLI::App* report = command(app, "report", "The commissioning report, as PDF or CSV tables", CommandKind::Report);
    outputOption(report, "The PDF file, or with --csv the folder of tables");
    report->add_flag("--csv", o.csv, "Write CSV tables into the folder -o names");
    report->add_option("--from-backup", o.fromBackup, "Report on a backup file; no gateway needed")->type_name("FILE");

    ParseOutcome outcome;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        // Names the subcommand's options when one was given before --help.
        outcome.text = app.help();
        return outcome;
    } catch (const CLI::CallForVersion&) {
        outcome.text = std::string(NORVIK_VERSION) + "\n";
        return outcome;
    } catch (const CLI::ParseError& e) {
        outcome.exit = ExitCode::Usage;
        outcome.toStderr = true;
        outcome.text = unknownCommandText(app);
        if (outcome.text.empty()) outcome.text = std::string("norvik-cli: ") + e.what() + "\n";
        outcome.text += "Run norvik-cli --help for the commands.\n";
        return outcome;
    }

    for (const Chosen& c : chosen)
        if (c.app->parsed()) o.command = c.kind;
    if (portOption->count() > 0) o.port = static_cast<uint8_t>(port);
    o.tickPace = pace == "tick";
    std::transform(parity.begin(), parity.end(), parity.begin(), [](unsigned char ch) { return std::tolower(ch); });
    o.parity = parity == "odd" ? Parity::Odd : parity == "even" ? Parity::Even : Parity::None;

    auto usage = [&](const std::string& text) {
        outcome.exit = ExitCode::Usage;
        outcome.toStderr = true;
        outcome.text = "norvik-cli: " + text + "\nRun norvik-cli --help for the commands.\n";
        return outcome;
    };
    if (o.command != CommandKind::Report && !o.fromBackup.empty()) return usage("--from-backup belongs to report");
    if (o.command == CommandKind::Report && !o.fromBackup.empty() && (!o.devices.empty() || o.port))
        return usage("report --from-backup needs no gateway: leave out --device and --port");
    if (filesOnly(o) && !o.inventory.empty())
        return usage(std::string(commandName(o.command)) + " of backup files needs no --inventory");
    if (filesOnly(o) && o.command != CommandKind::Report && (!o.devices.empty() || o.port))
        return usage(std::string(commandName(o.command)) +
                     " of backup files needs no gateway: leave out --device and --port");
    std::vector<std::string> sorted = o.devices;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
        return usage("a device is named twice: each gateway needs a link of its own");
    for (const std::string& device : o.devices)
        if (device.empty()) return usage("--device needs a path");
    outcome.options = std::move(o);
    return outcome;
}

}  // namespace norvik::cli
