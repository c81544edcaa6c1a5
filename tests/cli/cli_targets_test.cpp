// Which device a command opens and where its file goes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "cli_options.h"
#include "serial/port_devices.h"
#include "targets.h"

namespace norvik::cli {
namespace {

namespace fs = std::filesystem;

TEST(CliTargets, deviceFileStemsAreFileNamesWithoutTheDeviceFolders) {
    const struct {
        const char* device;
        const char* stem;
    } cases[] = {
        {"/dev/pts/3", "pts-3"},
        {"/dev/ttyUSB0", "ttyUSB0"},
        {"/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0", "usb-FTDI_FT232R_A50285BI-if00-port0"},
        {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0", "pci-0000:00:14.0-usb-0:1:1.0-port0"},
        {"/tmp/gw1", "tmp-gw1"},
        {"../.hidden", "hidden"},
        {"/dev/", "device"},
    };
    for (const auto& c : cases) EXPECT_EQ(deviceFileStem(c.device), c.stem) << c.device;
}

CliOptions parsed(std::vector<const char*> args) {
    args.insert(args.begin(), "norvik-cli");
    const ParseOutcome outcome = parseArguments(static_cast<int>(args.size()), args.data());
    EXPECT_TRUE(outcome.options) << outcome.text;
    return outcome.options.value_or(CliOptions{});
}

TEST(CliTargets, outputIsAFileForOneDeviceAndAFolderForSeveral) {
    const fs::path folder = fs::temp_directory_path() / ("cli-targets-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    const std::string out = (folder / "saved").string();

    const TargetPlan one = planTargets(parsed({"--device", "/dev/pts/7", "safe-values", "get", "-o", "x.ptm"}));
    ASSERT_EQ(one.targets.size(), 1u);
    EXPECT_EQ(one.targets[0].outputPath, "x.ptm");
    EXPECT_EQ(one.targets[0].settings.device, "/dev/pts/7");

    const TargetPlan two = planTargets(parsed({"--baud", "9600", "--parity", "Even", "--device", "/dev/pts/7",
                                               "--device", "/dev/ttyUSB1", "ip", "get", "-o", out.c_str()}));
    ASSERT_EQ(two.refused, ExitCode::Done) << two.message;
    ASSERT_EQ(two.targets.size(), 2u);
    EXPECT_TRUE(fs::is_directory(out));
    EXPECT_EQ(two.targets[1].outputPath, (folder / "saved" / "ttyUSB1.ptm").string());
    EXPECT_EQ(two.targets[1].settings.baud, 9600u);
    EXPECT_EQ(two.targets[1].settings.parity, Parity::Even);

    // An existing folder takes one device's file too.
    const TargetPlan into = planTargets(parsed({"--device", "/dev/pts/7", "backup", "-o", out.c_str()}));
    EXPECT_EQ(into.targets[0].outputPath, (folder / "saved" / "pts-7.norvik").string());

    const TargetPlan clash =
        planTargets(parsed({"--device", "/dev/a/x", "--device", "/dev/a-x", "backup", "-o", out.c_str()}));
    EXPECT_EQ(clash.refused, ExitCode::Usage);

    // A run that wrote nothing takes back the folders it made, and only those;
    // one that wrote a file keeps them.
    for (const bool written : {false, true}) {
        const std::string deep = (folder / "made" / "deeper").string();
        const TargetPlan plan =
            planTargets(parsed({"--device", "/dev/pts/7", "--device", "/dev/pts/8", "backup", "-o", deep.c_str()}));
        if (written) std::ofstream(fs::path(deep) / "pts-7.norvik") << "{}";
        removeEmptyMadeFolders(plan);
        EXPECT_EQ(fs::exists(folder / "made"), written);
        EXPECT_TRUE(fs::is_directory(folder / "saved"));
        fs::remove_all(folder / "made");
    }
    fs::remove_all(folder);
}

TEST(CliTargets, portNOpensWhatTheWindowsComNOpens) {
    const fs::path home = fs::temp_directory_path() / ("cli-config-" + std::to_string(::getpid()));
    fs::create_directories(home / "norvik");
    std::ofstream(home / "norvik" / "norvik.ini")
        << "[General]\nCom2=/dev/wrong\n\n[PortDevices]\nCom2=/dev/serial/by-id/usb-A\n"
           "Com3=\"/dev/odd;name\"\n";
    ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    ::unsetenv("NORVIK_COM2");
    ::unsetenv("NORVIK_COM4");

    const SavedPortDevices saved = readSavedPortDevices(savedPortDevicesFile());
    EXPECT_EQ(saved[1], "/dev/serial/by-id/usb-A");
    EXPECT_EQ(saved[2], "/dev/odd;name");
    EXPECT_EQ(planTargets(parsed({"--port", "2", "info"})).targets.at(0).device, "/dev/serial/by-id/usb-A");
    EXPECT_EQ(planTargets(parsed({"--port", "4", "info"})).targets.at(0).device, "/dev/ttyS3");
    ::setenv("NORVIK_COM4", "/dev/pts/9", 1);
    EXPECT_EQ(planTargets(parsed({"--port", "4", "info"})).targets.at(0).device, "/dev/pts/9");
    ::unsetenv("NORVIK_COM4");
    fs::remove_all(home);
}

TEST(CliTargets, refusedArgumentsAreUsageErrors) {
    const std::vector<std::vector<const char*>> cases = {
        {},
        {"bogus"},
        {"safe-values"},
        {"safe-values", "get"},
        {"--port", "9", "info"},
        {"--baud", "1200", "info"},
        {"--parity", "mark", "info"},
        {"--port", "1", "--device", "/dev/pts/1", "info"},
        {"--device", "/dev/pts/1", "--device", "/dev/pts/1", "info"},
        {"info", "--from-backup", "x.norvik"},
    };
    for (std::vector<const char*> args : cases) {
        args.insert(args.begin(), "norvik-cli");
        const ParseOutcome outcome = parseArguments(static_cast<int>(args.size()), args.data());
        EXPECT_FALSE(outcome.options) << args.size();
        EXPECT_EQ(outcome.exit, ExitCode::Usage) << outcome.text;
    }
}

}  // namespace
}  // namespace norvik::cli
