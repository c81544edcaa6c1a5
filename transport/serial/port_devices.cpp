#include "serial/port_devices.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include "serial/network_port.h"

namespace norvik {

namespace fs = std::filesystem;

namespace {

constexpr uint8_t kFirstPort = 1;

// strerror_r comes in a GNU and a POSIX form; either way the text is copied out.
[[maybe_unused]] std::string reasonFrom(int rc, const char* buffer) { return rc == 0 ? buffer : std::string(); }
[[maybe_unused]] std::string reasonFrom(const char* text, const char*) { return text ? text : ""; }

std::string systemReason(int errnoValue) {
    char buffer[256] = {};
    std::string reason = reasonFrom(::strerror_r(errnoValue, buffer, sizeof buffer), buffer);
    if (reason.empty()) reason = "Unknown error";
    return reason + " (error " + std::to_string(errnoValue) + ")";
}

bool isNumber(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string groupName(gid_t gid) {
    // getgrgid_r's buffer need is not known up front; a group with many members
    // needs more than the suggested size.
    for (std::size_t size = 4096; size <= (1u << 20); size *= 4) {
        std::vector<char> buffer(size);
        group entry{};
        group* found = nullptr;
        const int rc = ::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE) continue;
        if (rc != 0 || found == nullptr) break;
        return found->gr_name;
    }
    return {};
}

bool sessionHasGroup(gid_t gid) {
    if (::getegid() == gid) return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    if (got < 0) return false;
    groups.resize(static_cast<std::size_t>(got));
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

std::string modeText(mode_t mode) {
    std::string text = S_ISCHR(mode) ? "c" : (S_ISDIR(mode) ? "d" : "-");
    const char* letters = "rwx";
    for (int shift = 6; shift >= 0; shift -= 3)
        for (int bit = 0; bit < 3; ++bit) text += (mode & (1u << (shift + 2 - bit))) != 0 ? letters[bit] : '-';
    return text;
}

std::string permissionAdvice(const std::string& path) {
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0)
        return "The system refuses access to the device. Ask the administrator to let your account use it.";
    const std::string group = groupName(node.st_gid);
    const bool groupMayUse = (node.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (node.st_gid == 0 || group.empty() || !groupMayUse) {
        return "Only its owner may use the device (" + modeText(node.st_mode) +
               "). Ask the administrator for a "
               "udev rule that gives it to a group such as dialout, then join that group.";
    }
    if (sessionHasGroup(node.st_gid)) {
        return "You are in the group \"" + group +
               "\" that owns the device, yet the system refuses it: another "
               "rule (a security module or the sandbox Norvik runs in) is in the way.";
    }
    return "The device belongs to the group \"" + group + "\". Join it with\n\n    sudo usermod -aG " + group +
           " $USER\n\nthen log out and log in again: a login keeps the groups it started with.";
}

std::string commandOf(const fs::path& process) {
    std::string command;
    std::ifstream(process / "comm") >> command;
    return command;
}

// The parts of the advice that differ between the window and the command line.
struct AdviceWords {
    std::string chosenDevice;  // where the device to open is named
    std::string otherDevice;   // how another one is named
    std::string again;         // how to try once more
};

// A sentence's end: the menu path's ellipsis ends one already.
std::string ended(const std::string& text) {
    static constexpr std::string_view kEllipsis = "…";
    return text.ends_with(kEllipsis) ? text : text + ".";
}

AdviceWords adviceWords(OpenAdviceFor reader) {
    if (reader == OpenAdviceFor::CommandLine)
        return {"the path given to --device",
                "name another device with --device (ls /dev/serial/by-id lists the adapters)", "run the command again"};
    return {std::string("the device chosen for this port under ") + kPortDevicesMenuPath,
            std::string("choose another device under ") + kPortDevicesMenuPath, "press Connect again"};
}

std::string busyAdvice(const std::string& path, const DeviceRoots& roots, const std::string& again) {
    // A lock names the program that refuses us; the open files also name
    // programs that merely have the device open, such as a simulator holding
    // its own pseudo-terminal.
    std::vector<DeviceHolder> holders = deviceLockers(path, roots);
    if (holders.empty()) holders = deviceHolders(path, roots);
    if (holders.empty()) {
        return "Another program has the device open (a terminal program, ModemManager, another Norvik). "
               "\"sudo fuser -v " +
               path + "\" shows which. Close it, then " + again + ".";
    }
    std::string names;
    for (const DeviceHolder& holder : holders) {
        if (!names.empty()) names += ", ";
        names += (holder.command.empty() ? std::string("a program") : holder.command) + " (PID " +
                 std::to_string(holder.pid) + ")";
    }
    return "The device is held by " + names + ". Close it, then " + again + ".";
}

std::string missingAdvice(const AdviceWords& words) {
    return "Nothing is there now. Check the cable and that the adapter is plugged in "
           "(ls /dev/serial/by-id lists the adapters), and " +
           ended(words.chosenDevice) + " Then " + words.again + ".";
}

// What to check when a network port will not open: the first sentence for the
// error, then the places any of them can come from.
std::string networkAdvice(const std::string& device, int errnoValue, const AdviceWords& words) {
    const std::optional<NetworkAddress> address = parseNetworkAddress(device);
    if (!address) {
        return "This is no network port Norvik can open. Name one as rfc2217://HOST:PORT (telnet with the COM "
               "port option, as ser2net's telnet(rfc2217) accepter offers it) or socket://HOST:PORT (raw TCP), "
               "with a PORT from 1 to 65535.";
    }
    const std::string where = address->host + " port " + std::to_string(address->port);
    std::string first;
    switch (errnoValue) {
    case ECONNREFUSED: first = "Nothing accepts connections at " + where + "."; break;
    case ENXIO: first = "The name " + address->host + " is not known to the name service."; break;
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH: first = "No answer from " + where + " in time."; break;
    case EBUSY:
    case ECONNRESET: first = "The server at " + where + " let Norvik in and closed the connection at once."; break;
    case EPROTO:
        first = "The server would not take the port's line settings: " + refusedLineSettings(device) + ".";
        break;
    case EPROTONOSUPPORT:
        first = "The server at " + where + " does not act as a COM port (RFC 2217). For a raw TCP port use socket://" +
                device.substr(device.find("//") + 2) + ", or give the port ser2net's telnet(rfc2217) accepter.";
        break;
    default: first = "The connection to " + where + " failed."; break;
    }
    return first +
           "\n\nCheck:\n- the server's address and port (ser2net's configuration, or the device server's "
           "settings page);\n- that ser2net or the device server runs;\n- that no firewall drops the "
           "connection;\n- that no other client holds the port: ser2net lets one client in at a time unless "
           "its max-connections says otherwise.\nThen " +
           words.again + ".";
}

}  // namespace

std::string savedPortDevicesFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config == '/') return std::string(config) + "/norvik/norvik.ini";
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return std::string(home) + "/.config/norvik/norvik.ini";
    return {};
}

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A value as the window's settings store writes it: plain, or in double
// quotes with backslash escapes when it holds characters the format reserves.
std::string iniValue(const std::string& raw) {
    const std::string text = trimmed(raw);
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return text;
    std::string value;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '\\' && i + 2 < text.size()) ++i;
        value += text[i];
    }
    return value;
}

}  // namespace

SavedPortDevices readSavedPortDevices(const std::string& iniPath) {
    SavedPortDevices saved;
    if (iniPath.empty()) return saved;
    std::ifstream in(iniPath);
    bool inGroup = false;
    for (std::string line; std::getline(in, line);) {
        line = trimmed(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            inGroup = line == "[PortDevices]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inGroup || equals == std::string::npos) continue;
        const std::string key = trimmed(line.substr(0, equals));
        for (uint8_t port = kFirstPort; port <= kComPortCount; ++port)
            if (key == "Com" + std::to_string(port))
                saved[static_cast<std::size_t>(port - kFirstPort)] = iniValue(line.substr(equals + 1));
    }
    return saved;
}

std::string comVariableName(uint8_t port) { return "NORVIK_COM" + std::to_string(port); }

ComDevice comDevice(uint8_t port, const SavedPortDevices& saved) {
    if (port < kFirstPort || port > kComPortCount) return {};
    const char* named = std::getenv(comVariableName(port).c_str());
    if (named != nullptr && *named != '\0') return {named, DeviceSource::Environment};
    const std::string& choice = saved[static_cast<std::size_t>(port - kFirstPort)];
    if (!choice.empty()) return {choice, DeviceSource::Saved};
    return {"/dev/ttyS" + std::to_string(port - kFirstPort), DeviceSource::Default};
}

std::vector<StableDeviceName> stableDeviceNames(const DeviceRoots& roots) {
    std::vector<StableDeviceName> names;
    std::error_code ec;
    fs::directory_iterator it(fs::path(roots.dev) / "serial" / "by-id", ec);
    if (ec) return names;
    for (const fs::directory_entry& entry : it) {
        std::error_code linkError;
        const fs::path target = fs::canonical(entry.path(), linkError);
        if (linkError) continue;  // a link left behind by an adapter that is gone
        names.push_back({entry.path().string(), target.string()});
    }
    std::sort(names.begin(), names.end(),
              [](const StableDeviceName& a, const StableDeviceName& b) { return a.link < b.link; });
    return names;
}

std::string stableNameFor(const std::string& path, const DeviceRoots& roots) {
    std::error_code ec;
    const fs::path device = fs::canonical(path, ec);
    if (ec) return {};
    for (const StableDeviceName& name : stableDeviceNames(roots))
        if (name.target == device.string()) return name.link;
    return {};
}

bool devicePresent(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec);
}

DeviceWhereabouts deviceWhereabouts(const std::string& path) {
    DeviceWhereabouts where;
    // A network port is only found by connecting to it: it is shown as named.
    if (isNetworkDevice(path)) {
        where.present = true;
        return where;
    }
    where.present = devicePresent(path);
    if (!where.present) return where;
    std::error_code ec;
    const fs::path device = fs::canonical(path, ec);
    if (!ec && device != fs::path(path)) where.resolved = device.string();
    return where;
}

std::string describeDevice(const std::string& path) {
    const DeviceWhereabouts where = deviceWhereabouts(path);
    if (!where.present) return path + " (absent)";
    if (where.resolved.empty()) return path;
    return path + " (now " + where.resolved + ")";
}

std::vector<DeviceHolder> deviceHolders(const std::string& path, const DeviceRoots& roots) {
    std::vector<DeviceHolder> holders;
    struct stat wanted {};
    if (path.empty() || ::stat(path.c_str(), &wanted) != 0) return holders;
    std::error_code ec;
    fs::directory_iterator processes(roots.proc, ec);
    if (ec) return holders;
    for (const fs::directory_entry& process : processes) {
        const std::string pid = process.path().filename().string();
        if (!isNumber(pid)) continue;
        std::error_code fdError;
        fs::directory_iterator fds(process.path() / "fd", fdError);
        if (fdError) continue;  // another user's process, or one that has just ended
        bool holds = false;
        for (const fs::directory_entry& fd : fds) {
            struct stat open {};
            // stat follows the link to the open file itself, so a device reached
            // by another name (a by-id link, a bind mount) still matches.
            if (::stat(fd.path().c_str(), &open) == 0 && open.st_dev == wanted.st_dev && open.st_ino == wanted.st_ino) {
                holds = true;
                break;
            }
        }
        if (!holds) continue;
        holders.push_back({static_cast<pid_t>(std::stol(pid)), commandOf(process.path())});
    }
    std::sort(holders.begin(), holders.end(),
              [](const DeviceHolder& a, const DeviceHolder& b) { return a.pid < b.pid; });
    return holders;
}

std::vector<DeviceHolder> deviceLockers(const std::string& path, const DeviceRoots& roots) {
    std::vector<DeviceHolder> lockers;
    struct stat wanted {};
    if (path.empty() || ::stat(path.c_str(), &wanted) != 0) return lockers;
    // "1: FLOCK  ADVISORY  WRITE 4242 00:19:4 0 EOF": the device of the file
    // system in hex, then the inode. Waiting requests ("1: -> FLOCK ...") hold nothing.
    std::ifstream locks(fs::path(roots.proc) / "locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, file;
        if (!(fields >> number >> kind >> mode >> access >> pid >> file) || kind == "->" || !isNumber(pid)) continue;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
        if (major != ::major(wanted.st_dev) || minor != ::minor(wanted.st_dev) || inode != wanted.st_ino) continue;
        const auto id = static_cast<pid_t>(std::stol(pid));
        if (std::any_of(lockers.begin(), lockers.end(), [id](const DeviceHolder& h) { return h.pid == id; })) continue;
        lockers.push_back({id, commandOf(fs::path(roots.proc) / pid)});
    }
    std::sort(lockers.begin(), lockers.end(),
              [](const DeviceHolder& a, const DeviceHolder& b) { return a.pid < b.pid; });
    return lockers;
}

std::string openErrorAdvice(const std::string& path, int errnoValue, const DeviceRoots& roots, OpenAdviceFor reader) {
    const AdviceWords words = adviceWords(reader);
    if (isNetworkDevice(path))
        return "Device: " + path + "\nReason: " + systemReason(errnoValue) + "\n\n" +
               networkAdvice(path, errnoValue, words);
    std::string fix;
    switch (errnoValue) {
    case EACCES:
    case EPERM: fix = permissionAdvice(path); break;
    case EBUSY: fix = busyAdvice(path, roots, words.again); break;
    case ENOENT: fix = missingAdvice(words); break;
    case ENXIO:
    case ENODEV:
    case EIO:
        fix =
            "No working serial port answers behind this name: the adapter may have been pulled, or this computer "
            "has no such port. Plug the adapter in again, or " +
            ended(words.otherDevice) + " Then " + words.again + ".";
        break;
    default:
        fix = "Check " +
              ended(words.chosenDevice +
                    (reader == OpenAdviceFor::CommandLine ? " (ls /dev/serial/by-id lists the adapters)" : "")) +
              " Then " + words.again + ".";
        break;
    }
    return "Device: " + path + "\nReason: " + systemReason(errnoValue) + "\n\n" + fix;
}

}  // namespace norvik
