#include "targets.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "inventory_file.h"
#include "serial/network_port.h"
#include "serial/port_devices.h"

namespace norvik::cli {

namespace fs = std::filesystem;

std::string deviceFileStem(const std::string& device) {
    // rfc2217://10.0.0.7:4001 gives rfc2217-10.0.0.7-4001.
    if (const auto address = parseNetworkAddress(device)) {
        std::string host = address->host;
        std::replace(host.begin(), host.end(), ':', '-');
        return std::string(address->telnet ? "rfc2217-" : "socket-") + host + "-" + std::to_string(address->port);
    }
    std::string_view rest = device;
    for (std::string_view prefix : {"/dev/", "serial/by-id/", "serial/by-path/"})
        if (rest.substr(0, prefix.size()) == prefix) rest.remove_prefix(prefix.size());
    std::string stem(rest);
    std::replace(stem.begin(), stem.end(), '/', '-');
    // A leading dot would hide the file, a leading dash make it read as an option.
    const auto start = stem.find_first_not_of("-.");
    stem = start == std::string::npos ? std::string() : stem.substr(start);
    return stem.empty() ? "device" : stem;
}

std::string outputSuffix(const CliOptions& options) {
    switch (options.command) {
    case CommandKind::SafeValuesGet:
    case CommandKind::IpGet: return ".ptm";
    case CommandKind::Backup: return ".norvik";
    case CommandKind::Report: return options.csv ? "" : ".pdf";
    default: return "";
    }
}

namespace {

// A gateway to run on, before its output file is known.
struct Wanted {
    std::string name;  // from the inventory; empty for --device and --port
    std::string device;
    uint32_t baud = 0;
    Parity parity = Parity::None;
    std::string stem() const { return name.empty() ? deviceFileStem(device) : name; }
};

}  // namespace

TargetPlan planTargets(const CliOptions& options) {
    TargetPlan plan;
    std::vector<Wanted> wanted;
    if (!options.inventory.empty()) {
        const InventoryRead read = readInventoryFile(options.inventory, options.baud, options.parity);
        if (!read.error.empty()) {
            plan.refused = ExitCode::Usage;
            plan.message = read.error;
            return plan;
        }
        for (const InventoryEntry& e : read.entries) wanted.push_back({e.name, e.device, e.baud, e.parity});
    } else {
        std::vector<std::string> devices = options.devices;
        if (devices.empty()) {
            const uint8_t port = options.port.value_or(1);
            devices.push_back(comDevice(port, readSavedPortDevices(savedPortDevicesFile())).path);
        }
        for (const std::string& device : devices) wanted.push_back({{}, device, options.baud, options.parity});
    }

    for (const Wanted& w : wanted)
        if (isNetworkDevice(w.device) && !parseNetworkAddress(w.device)) {
            plan.refused = ExitCode::Usage;
            plan.message = w.device + " is no network port: name one as rfc2217://HOST:PORT or socket://HOST:PORT";
            return plan;
        }

    // An inventory and a history always name a folder, however many gateways
    // they hold today.
    const bool folder =
        writesOutput(options.command) && (wanted.size() > 1 || !options.inventory.empty() || options.history);
    if (folder) {
        std::set<std::string> stems;
        for (const Wanted& w : wanted)
            if (!stems.insert(w.stem()).second) {
                plan.refused = ExitCode::Usage;
                plan.message = "two devices would write the same file " + w.stem() + outputSuffix(options) +
                               ": name them by different paths";
                return plan;
            }
        std::error_code ec;
        // The history makes its folder when it first commits: a run that
        // commits nothing leaves nothing behind.
        if (!options.history) {
            for (fs::path missing = fs::absolute(options.output, ec).lexically_normal(); !missing.empty();
                 missing = missing.parent_path()) {
                if (missing.filename().empty()) missing = missing.parent_path();
                if (fs::exists(missing, ec) || missing == missing.root_path()) break;
                plan.madeFolders.push_back(missing.string());
            }
            fs::create_directories(options.output, ec);
        }
        if (fs::exists(options.output, ec) && !fs::is_directory(options.output, ec)) {
            plan.refused = ExitCode::FileError;
            plan.message = "-o names a folder here, and " + options.output + " is none";
            return plan;
        }
        if (!options.history && !fs::is_directory(options.output, ec)) {
            plan.refused = ExitCode::FileError;
            plan.message = "with several devices -o names a folder, and " + options.output + " is none";
            return plan;
        }
    }

    for (const Wanted& w : wanted) {
        DeviceTarget target;
        target.name = w.name;
        target.device = w.device;
        target.settings.port = options.port.value_or(1);
        target.settings.baud = w.baud;
        target.settings.parity = w.parity;
        target.settings.device = w.device;
        if (writesOutput(options.command)) {
            std::error_code ec;
            const bool intoFolder = folder || (fs::is_directory(options.output, ec) && !outputSuffix(options).empty());
            target.outputPath =
                intoFolder ? (fs::path(options.output) / (w.stem() + outputSuffix(options))).string() : options.output;
        }
        plan.targets.push_back(std::move(target));
    }
    return plan;
}

void removeEmptyMadeFolders(const TargetPlan& plan) {
    std::error_code ec;
    for (const std::string& folder : plan.madeFolders)
        if (!fs::is_directory(folder, ec) || !fs::is_empty(folder, ec) || !fs::remove(folder, ec)) return;
}

}  // namespace norvik::cli
