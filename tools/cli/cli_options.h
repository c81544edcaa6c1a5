#pragma once
// What the command line asks for, and how it is read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "serial/serial_port.h"

namespace norvik::cli {

enum class CommandKind : uint8_t {
    Info,
    Files,
    SafeValuesGet,
    SafeValuesPut,
    IpGet,
    IpPut,
    Backup,
    Restore,
    Diff,
    Report,
    Show,
};

struct CliOptions {
    std::vector<std::string> devices;  // --device, in the order given
    std::optional<uint8_t> port;       // --port N: ComN as the window maps it
    std::string inventory;             // --inventory FILE: the gateways, one a line
    uint32_t jobs = 0;                 // --jobs N: gateways at once; 0: all, at most kDefaultJobs
    uint32_t baud = 115200;
    Parity parity = Parity::None;
    bool json = false;
    bool quiet = false;
    // --pace tick: the window's one exchange step a second, for a gateway that
    // needs it; otherwise each command goes out as soon as the last was answered.
    bool tickPace = false;

    CommandKind command = CommandKind::Info;
    std::string inputFile;   // put, restore, diff, show
    std::string otherFile;   // diff of two backup files: the second
    std::string output;      // -o: a file, or a folder for several devices
    bool dryRun = false;     // restore
    bool noVerify = false;   // put, restore
    bool csv = false;        // report
    std::string fromBackup;  // report
    bool history = false;    // backup: -o is a git repository of one file per gateway
};

// How many gateways run at once without --jobs.
inline constexpr uint32_t kDefaultJobs = 64;

// The command's name as typed ("safe-values get").
const char* commandName(CommandKind kind);

// Whether the command reads backup files only and needs no gateway.
bool filesOnly(const CliOptions& options);

// Whether the command writes a file named by -o.
bool writesOutput(CommandKind kind);

struct ParseOutcome {
    std::optional<CliOptions> options;  // empty: exit with `exit` after printing `text`
    ExitCode exit = ExitCode::Done;
    std::string text;  // --help, --version or the usage error
    bool toStderr = false;
};

ParseOutcome parseArguments(int argc, const char* const* argv);

}  // namespace norvik::cli
