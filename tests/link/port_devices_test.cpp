// The device behind each Com entry and the advice of the open-error box, on
// device and process trees made in a temporary folder.

#include "serial/port_devices.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace norvik {
namespace {

namespace fs = std::filesystem;

// A folder of its own, removed again with everything in it.
class TempTree {
public:
    TempTree() {
        std::string pattern = (fs::temp_directory_path() / "norvik-devices-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
    }
    ~TempTree() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    fs::path path(const std::string& relative) const { return root_ / relative; }
    std::string file(const std::string& relative, const std::string& content = {}) const {
        const fs::path p = path(relative);
        fs::create_directories(p.parent_path());
        std::ofstream(p) << content;
        return p.string();
    }
    void link(const std::string& relative, const fs::path& target) const {
        const fs::path p = path(relative);
        fs::create_directories(p.parent_path());
        fs::create_symlink(target, p);
    }
    DeviceRoots roots() const { return {path("dev").string(), path("proc").string()}; }

private:
    fs::path root_;
};

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(std::string name, const char* value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        if (value) ::setenv(name_.c_str(), value, 1);
        else ::unsetenv(name_.c_str());
    }
    ~ScopedVariable() {
        if (old_) ::setenv(name_.c_str(), old_->c_str(), 1);
        else ::unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

struct MappingCase {
    const char* name;
    uint8_t port;
    const char* variable;  // $NORVIK_COMn for the port; nullptr = unset
    const char* saved;     // the saved choice for the port
    const char* path;
    DeviceSource source;
};

class ComDeviceMapping : public ::testing::TestWithParam<MappingCase> {};

TEST_P(ComDeviceMapping, variableWinsThenTheSavedChoiceThenTtyS) {
    const MappingCase& c = GetParam();
    ScopedVariable variable(comVariableName(c.port), c.variable);
    SavedPortDevices saved;
    if (c.port >= 1 && c.port <= 8) saved[c.port - 1u] = c.saved;
    const ComDevice device = comDevice(c.port, saved);
    EXPECT_EQ(device.path, c.path);
    EXPECT_EQ(device.source, c.source);
}

INSTANTIATE_TEST_SUITE_P(
    PortDevices, ComDeviceMapping,
    ::testing::Values(
        MappingCase{"nothingSetCom1", 1, nullptr, "", "/dev/ttyS0", DeviceSource::Default},
        MappingCase{"nothingSetCom8", 8, nullptr, "", "/dev/ttyS7", DeviceSource::Default},
        MappingCase{"savedChoice", 2, nullptr, "/dev/serial/by-id/usb-FTDI-if00", "/dev/serial/by-id/usb-FTDI-if00",
                    DeviceSource::Saved},
        MappingCase{"variableOverSaved", 2, "/dev/pts/7", "/dev/ttyUSB0", "/dev/pts/7", DeviceSource::Environment},
        MappingCase{"variableOverDefault", 5, "/dev/ttyACM0", "", "/dev/ttyACM0", DeviceSource::Environment},
        MappingCase{"emptyVariableCountsAsUnset", 3, "", "/dev/ttyUSB1", "/dev/ttyUSB1", DeviceSource::Saved},
        MappingCase{"portZero", 0, nullptr, "", "", DeviceSource::Default},
        MappingCase{"portNine", 9, "/dev/pts/1", "", "", DeviceSource::Default}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(PortDevices, variableNamesFollowThePortNumber) {
    EXPECT_EQ(comVariableName(1), "NORVIK_COM1");
    EXPECT_EQ(comVariableName(8), "NORVIK_COM8");
}

TEST(PortDevices, stableNamesAreTheByIdLinksOfPresentDevices) {
    TempTree tree;
    const std::string usb0 = tree.file("dev/ttyUSB0");
    const std::string usb1 = tree.file("dev/ttyUSB1");
    tree.file("dev/ttyACM0");
    tree.link("dev/serial/by-id/usb-Prolific_PL2303-if00-port0", "../../ttyUSB1");
    tree.link("dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0", "../../ttyUSB0");
    tree.link("dev/serial/by-id/usb-unplugged-if00-port0", "../../ttyUSB9");
    const DeviceRoots roots = tree.roots();
    const std::string byId = tree.path("dev/serial/by-id").string() + "/";

    const auto names = stableDeviceNames(roots);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].link, byId + "usb-FTDI_FT232R_A50285BI-if00-port0");
    EXPECT_EQ(names[0].target, fs::canonical(usb0).string());
    EXPECT_EQ(names[1].link, byId + "usb-Prolific_PL2303-if00-port0");

    EXPECT_EQ(stableNameFor(usb1, roots), byId + "usb-Prolific_PL2303-if00-port0");
    // A stable name is its own stable name.
    EXPECT_EQ(stableNameFor(names[0].link, roots), names[0].link);
    EXPECT_EQ(stableNameFor(tree.path("dev/ttyACM0").string(), roots), "");
    EXPECT_EQ(stableNameFor(tree.path("dev/ttyUSB9").string(), roots), "");

    TempTree bare;
    EXPECT_TRUE(stableDeviceNames(bare.roots()).empty());
}

TEST(PortDevices, descriptionSaysWhereALinkLeadsAndWhatIsAbsent) {
    TempTree tree;
    const std::string usb0 = tree.file("dev/ttyUSB0");
    tree.link("dev/serial/by-id/usb-FTDI-if00", "../../ttyUSB0");
    const std::string byId = tree.path("dev/serial/by-id/usb-FTDI-if00").string();
    const std::string canonical = fs::canonical(usb0).string();

    EXPECT_EQ(describeDevice(canonical), canonical);
    EXPECT_EQ(describeDevice(byId), byId + " (now " + canonical + ")");
    fs::remove(usb0);
    EXPECT_FALSE(devicePresent(byId));
    EXPECT_EQ(describeDevice(byId), byId + " (absent)");
    EXPECT_EQ(describeDevice("/dev/ttyUSB97"), "/dev/ttyUSB97 (absent)");
    EXPECT_FALSE(devicePresent(""));
}

TEST(PortDevices, holdersAreFoundThroughTheirOpenFiles) {
    TempTree tree;
    const std::string device = tree.file("dev/ttyUSB0");
    const std::string other = tree.file("dev/ttyUSB1");
    tree.file("proc/4242/comm", "minicom\n");
    tree.link("proc/4242/fd/0", "/dev/null");
    tree.link("proc/4242/fd/7", device);
    tree.file("proc/99/comm", "screen\n");
    tree.link("proc/99/fd/3", other);
    tree.file("proc/311/comm", "ModemManager\n");
    tree.link("proc/311/fd/12", device);
    tree.file("proc/self/comm", "not a process\n");
    tree.link("proc/self/fd/1", device);
    tree.file("proc/512/comm", "gone\n");  // no fd folder: ended, or not ours to read

    const auto holders = deviceHolders(device, tree.roots());
    ASSERT_EQ(holders.size(), 2u);
    EXPECT_EQ(holders[0].pid, 311);
    EXPECT_EQ(holders[0].command, "ModemManager");
    EXPECT_EQ(holders[1].pid, 4242);
    EXPECT_EQ(holders[1].command, "minicom");
    // Reached through a link, the device is the same one.
    tree.link("dev/serial/by-id/usb-x", device);
    EXPECT_EQ(deviceHolders(tree.path("dev/serial/by-id/usb-x").string(), tree.roots()).size(), 2u);
    EXPECT_TRUE(deviceHolders(tree.path("dev/absent").string(), tree.roots()).empty());
}

// A line of <proc>/locks for `path`, as the kernel writes it.
std::string lockLine(int number, const char* kind, pid_t pid, const std::string& path) {
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0) return {};
    char line[160];
    std::snprintf(line, sizeof line, "%d: %s  ADVISORY  WRITE %d %02x:%02x:%llu 0 EOF\n", number, kind,
                  static_cast<int>(pid), ::major(node.st_dev), ::minor(node.st_dev),
                  static_cast<unsigned long long>(node.st_ino));
    return line;
}

TEST(PortDevices, lockersAreFoundInTheLockTable) {
    TempTree tree;
    const std::string device = tree.file("dev/ttyUSB0");
    const std::string other = tree.file("dev/ttyUSB1");
    tree.file("proc/4242/comm", "norvik\n");
    tree.file("proc/77/comm", "picocom\n");
    tree.file("proc/locks", lockLine(1, "FLOCK", 4242, device) + lockLine(2, "POSIX", 77, other) +
                                "3: OFDLCK ADVISORY  READ  -1 00:05:6 0 EOF\n" + lockLine(1, "-> FLOCK", 555, device));
    const auto lockers = deviceLockers(device, tree.roots());
    ASSERT_EQ(lockers.size(), 1u);
    EXPECT_EQ(lockers[0].pid, 4242);
    EXPECT_EQ(lockers[0].command, "norvik");
    EXPECT_EQ(deviceLockers(other, tree.roots()).at(0).command, "picocom");
    EXPECT_TRUE(deviceLockers(tree.path("dev/absent").string(), tree.roots()).empty());
}

TEST(PortDevices, thisProcessIsFoundHoldingADeviceInTheRealProcessTree) {
    TempTree tree;
    const std::string device = tree.file("dev/ttyUSB0");
    const int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::string command;
    std::ifstream("/proc/self/comm") >> command;
    const auto holders = deviceHolders(device);
    ::close(fd);
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, ::getpid());
    EXPECT_EQ(holders[0].command, command);
}

// --- the advice of the open-error box -----------------------------------------

TEST(OpenErrorAdvice, missingDeviceSendsToTheCableAndThePortDevicesDialog) {
    EXPECT_EQ(openErrorAdvice("/dev/ttyUSB0", ENOENT),
              "Device: /dev/ttyUSB0\n"
              "Reason: No such file or directory (error 2)\n"
              "\n"
              "Nothing is there now. Check the cable and that the adapter is plugged in (ls /dev/serial/by-id "
              "lists the adapters), and the device chosen for this port under Communication > Port devices… Then "
              "press Connect again.");
}

// A group this process is not in, to give a file to; only root may do that.
std::optional<gid_t> foreignGroup() {
    if (::geteuid() != 0) return std::nullopt;
    for (const char* name : {"dialout", "uucp", "tty", "nogroup"}) {
        if (const group* g = ::getgrnam(name); g != nullptr && g->gr_gid != ::getegid()) return g->gr_gid;
    }
    return std::nullopt;
}

TEST(OpenErrorAdvice, permissionDeniedNamesTheOwningGroupAndTheCommandToJoinIt) {
    const auto gid = foreignGroup();
    if (!gid) GTEST_SKIP() << "giving a file to another group needs root";
    TempTree tree;
    const std::string device = tree.file("dev/ttyUSB0");
    ASSERT_EQ(::chown(device.c_str(), static_cast<uid_t>(-1), *gid), 0) << std::strerror(errno);
    ASSERT_EQ(::chmod(device.c_str(), 0660), 0);
    const std::string group = ::getgrgid(*gid)->gr_name;
    EXPECT_EQ(openErrorAdvice(device, EACCES),
              "Device: " + device + "\nReason: Permission denied (error 13)\n\nThe device belongs to the group \"" +
                  group + "\". Join it with\n\n    sudo usermod -aG " + group +
                  " $USER\n\nthen log out and log in again: a login keeps the groups it started with.");
}

TEST(OpenErrorAdvice, groupAlreadyJoinedPointsPastThePermissions) {
    // Needs a group other than root's that this login has.
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)) + 1);
    groups.resize(static_cast<std::size_t>(std::max(::getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
    groups.push_back(::getegid());
    const auto own = std::find_if(groups.begin(), groups.end(), [](gid_t g) { return g != 0; });
    if (own == groups.end()) GTEST_SKIP() << "this login has no group but root";
    TempTree tree;
    const std::string device = tree.file("dev/ttyUSB0");
    ASSERT_EQ(::chown(device.c_str(), static_cast<uid_t>(-1), *own), 0) << std::strerror(errno);
    ASSERT_EQ(::chmod(device.c_str(), 0660), 0);
    const std::string advice = openErrorAdvice(device, EACCES);
    EXPECT_NE(advice.find(std::string("You are in the group \"") + ::getgrgid(*own)->gr_name +
                          "\" that owns the device, yet the system refuses it"),
              std::string::npos)
        << advice;
}

TEST(OpenErrorAdvice, nodeOnlyItsOwnerMayUseAsksForAUdevRule) {
    TempTree tree;
    const std::string device = tree.file("dev/ttyS0");
    ASSERT_EQ(::chmod(device.c_str(), 0600), 0);
    const std::string advice = openErrorAdvice(device, EACCES);
    EXPECT_NE(advice.find("Only its owner may use the device (-rw-------). Ask the administrator for a udev rule"),
              std::string::npos)
        << advice;
}

TEST(OpenErrorAdvice, busyDeviceNamesTheProgramsHoldingIt) {
    TempTree tree;
    const std::string device = tree.file("dev/ttyUSB0");
    tree.file("proc/4242/comm", "minicom\n");
    tree.link("proc/4242/fd/7", device);
    tree.file("proc/17/comm", "ModemManager\n");
    tree.link("proc/17/fd/9", device);
    EXPECT_EQ(openErrorAdvice(device, EBUSY, tree.roots()),
              "Device: " + device +
                  "\nReason: Device or resource busy (error 16)\n\nThe device is held by ModemManager (PID 17), "
                  "minicom (PID 4242). Close it, then press Connect again.");

    // Nobody readable holds it: the command that can see every process.
    fs::remove_all(tree.path("proc"));
    EXPECT_EQ(openErrorAdvice(device, EBUSY, tree.roots()),
              "Device: " + device +
                  "\nReason: Device or resource busy (error 16)\n\nAnother program has the device open (a terminal "
                  "program, ModemManager, another Norvik). \"sudo fuser -v " +
                  device + "\" shows which. Close it, then press Connect again.");
}

TEST(OpenErrorAdvice, busyPseudoTerminalNamesTheProgramThatLockedItNotItsMaker) {
    // A simulator keeps its own pseudo-terminal open; the other Norvik has it locked.
    TempTree tree;
    const std::string pty = tree.file("dev/pts/1");
    tree.file("proc/300/comm", "norvik-gatesim\n");
    tree.link("proc/300/fd/4", pty);
    tree.file("proc/400/comm", "norvik\n");
    tree.link("proc/400/fd/9", pty);
    tree.file("proc/locks", lockLine(1, "FLOCK", 400, pty));
    EXPECT_EQ(openErrorAdvice(pty, EBUSY, tree.roots()),
              "Device: " + pty +
                  "\nReason: Device or resource busy (error 16)\n\nThe device is held by norvik (PID 400). Close it, "
                  "then press Connect again.");
}

TEST(OpenErrorAdvice, theCommandLineIsToldOfDeviceAndNotOfTheWindow) {
    for (const int code : {ENOENT, EIO, ENXIO, EINVAL, EBUSY}) {
        const std::string advice = openErrorAdvice("/dev/ttyS3", code, {}, OpenAdviceFor::CommandLine);
        SCOPED_TRACE(advice);
        EXPECT_EQ(advice.rfind("Device: /dev/ttyS3\nReason: ", 0), 0u);
        if (code != EBUSY) {  // a busy device is the right one: another program holds it
            EXPECT_NE(advice.find("--device"), std::string::npos);
            EXPECT_NE(advice.find("ls /dev/serial/by-id"), std::string::npos);
        }
        EXPECT_NE(advice.find("run the command again."), std::string::npos);
        for (const char* window : {"Port devices", "Connect", ". ."})
            EXPECT_EQ(advice.find(window), std::string::npos) << window;
    }
}

TEST(OpenErrorAdvice, otherErrorsStillNameTheDeviceAndTheReason) {
    for (const int code : {EIO, ENXIO, EINVAL, 9999}) {
        const std::string advice = openErrorAdvice("/dev/ttyS3", code);
        EXPECT_EQ(advice.rfind("Device: /dev/ttyS3\nReason: ", 0), 0u) << advice;
        EXPECT_NE(advice.find("(error " + std::to_string(code) + ")"), std::string::npos) << advice;
        EXPECT_NE(advice.find("Communication > Port devices…"), std::string::npos) << advice;
    }
    EXPECT_NE(openErrorAdvice("/dev/ttyS3", EIO).find("the adapter may have been pulled"), std::string::npos);
}

}  // namespace
}  // namespace norvik
