#pragma once
// One command carried out on one gateway: the link opened, the jobs run, the
// result file written, and what the person and the program are told.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli_options.h"
#include "backup/gateway_backup.h"
#include "exit_codes.h"
#include "link/gateway_link.h"
#include "report/report_content.h"
#include "serial/serial_port.h"

namespace norvik::cli {

struct DeviceTarget {
    std::string device;  // the path opened
    PortSettings settings;
    std::string outputPath;  // the file to write, for a command that writes one
    // The inventory's name for the gateway; empty without an inventory.
    // Initialised here so that a target may still be written as its first three members.
    std::string name = {};
};

struct DeviceReport {
    std::string device;
    ExitCode exit = ExitCode::Done;
    nlohmann::json json = nlohmann::json::object();
    std::vector<std::string> lines;   // for people, on stdout
    std::vector<std::string> errors;  // on stderr, with the advice where there is one
    // backup --history: what was read, for the history to compare and commit.
    std::optional<GatewayBackup> backup;
};

// Where a device stands, for the progress line: a phase ("safe values") and
// how far its block has come, 0..100, or -1 while the size is not known.
using ProgressReport = std::function<void(const std::string& phase, int percent)>;

// Writes the report's PDF whole or not at all; empty in a build without Qt.
using PdfWriter = std::function<bool(const std::string& path, const ReportContent& content)>;

// Carries out the command. Returns when it is over or the link was interrupted;
// nothing is written when it was.
DeviceReport runOnDevice(const CliOptions& options, const DeviceTarget& target, GatewayLink& link,
                         const ProgressReport& progress, const PdfWriter& pdf = {});

// report --from-backup: the report of a backup file, no gateway needed.
DeviceReport reportFromBackup(const CliOptions& options, const PdfWriter& pdf);

// The outcome's name in the JSON documents ("done", "no-answer", ...).
const char* outcomeName(ExitCode code);

// The JSON document of a run that ended before any device could report (a
// usage error, an interrupt): its outcome and exit code, and the message.
nlohmann::json outcomeJson(const CliOptions& options, ExitCode code, const std::string& message);
// Whether the arguments ask for JSON, for a command line that did not parse.
bool jsonAsked(int argc, const char* const* argv);

}  // namespace norvik::cli
