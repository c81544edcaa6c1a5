#pragma once
// Which devices a command runs on, with which port settings, and where each
// one's result file goes.

#include <string>
#include <vector>

#include "cli_options.h"
#include "device_run.h"

namespace norvik::cli {

// A file name made from a device path: "/dev/pts/3" gives "pts-3",
// "/dev/serial/by-id/usb-FTDI_X-if00-port0" gives "usb-FTDI_X-if00-port0".
std::string deviceFileStem(const std::string& device);

// The suffix of the file a command writes (".ptm", ".norvik", ".pdf"); "" for
// a folder of tables or a command that writes nothing.
std::string outputSuffix(const CliOptions& options);

struct TargetPlan {
    std::vector<DeviceTarget> targets;
    ExitCode refused = ExitCode::Done;  // Usage or FileError, with `message`
    std::string message;
    // The folders planning made for -o, deepest first.
    std::vector<std::string> madeFolders;
};

// The devices in the order given; --port N (default Com1) opens what the
// window's ComN opens. With several devices -o names a folder, made when it is
// missing, and each file is named after its device; with one device -o may
// name a file or an existing folder.
TargetPlan planTargets(const CliOptions& options);

// Takes back the folders the plan made where nothing was written into them
// (the run was interrupted, or every device failed).
void removeEmptyMadeFolders(const TargetPlan& plan);

}  // namespace norvik::cli
