#include "ipsetting/ip_setting.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>


namespace norvik {

namespace {

constexpr std::size_t kAddressBytes = 4;
constexpr std::size_t kRemoteOffset = 12;
constexpr std::size_t kRemoteBytes = 8;

constexpr Ipv4 kDefaultLocalIp{192, 168, 255, 1};
constexpr Ipv4 kDefaultSubnetMask{255, 255, 0, 0};
constexpr Ipv4 kDefaultGateway{192, 168, 0, 1};
constexpr Ipv4 kDefaultRemoteIp{192, 168, 0, 100};
constexpr uint32_t kDefaultTimeoutMs = 1500;
constexpr uint32_t kDefaultReconnectMs = 8000;

void putAddress(IpSettingBlock& block, std::size_t at, const Ipv4& address) {
    std::copy(address.begin(), address.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
}

// Only the low 16 bits travel; the dialog keeps the values within them.
void putTime(IpSettingBlock& block, std::size_t at, uint32_t value) {
    block[at] = static_cast<uint8_t>(value >> 8);
    block[at + 1] = static_cast<uint8_t>(value);
}

Ipv4 getAddress(std::span<const uint8_t, kIpSettingBlockBytes> block, std::size_t at) {
    Ipv4 address{};
    std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(at), kAddressBytes, address.begin());
    return address;
}

uint32_t getTime(std::span<const uint8_t, kIpSettingBlockBytes> block, std::size_t at) {
    return static_cast<uint32_t>(block[at]) * 256u + block[at + 1];
}

// Closes its descriptor once; close() reports whether the last writes reached the file.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool readAll(int fd, std::span<uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool writeAll(int fd, std::span<const uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A name that is a link to a file stands for that file: the link stays and
// the file it points at gets the new content, as writing through it would.
std::string replacedPath(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return path;
    return resolved;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string temporaryPattern(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    return folder + "." + name + ".XXXXXX";
}

// The mode a newly created file would have had: mkostemp makes it private.
mode_t newFileMode() {
    static const mode_t mask = [] {
        const mode_t old = ::umask(0);
        ::umask(old);
        return old;
    }();
    return static_cast<mode_t>(0666 & ~mask);
}

// The rename itself lasts only once the folder is on disk; a folder that
// cannot be synced still holds the new file.
void syncFolderOf(const std::string& path) {
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void setDefaultIpSetting(IpSettingRecord& record) {
    record.localIp = kDefaultLocalIp;
    record.subnetMask = kDefaultSubnetMask;
    record.gateway = kDefaultGateway;
    for (RemoteIpEntry& remote : record.remotes) {
        remote.address = kDefaultRemoteIp;
        remote.timeoutValueMs = kDefaultTimeoutMs;
        remote.reconnectTimeMs = kDefaultReconnectMs;
    }
}

IpSettingBlock encodeIpSettingBlock(const IpSettingRecord& record) {
    IpSettingBlock block{};
    putAddress(block, 0, record.localIp);
    putAddress(block, 4, record.subnetMask);
    putAddress(block, 8, record.gateway);
    for (std::size_t k = 0; k < kRemoteIpEntries; ++k) {
        const std::size_t at = kRemoteOffset + kRemoteBytes * k;
        putAddress(block, at, record.remotes[k].address);
        putTime(block, at + 4, record.remotes[k].timeoutValueMs);
        putTime(block, at + 6, record.remotes[k].reconnectTimeMs);
    }
    return block;
}

IpSettingRecord decodeIpSettingBlock(std::span<const uint8_t, kIpSettingBlockBytes> block) {
    IpSettingRecord record;
    record.localIp = getAddress(block, 0);
    record.subnetMask = getAddress(block, 4);
    record.gateway = getAddress(block, 8);
    for (std::size_t k = 0; k < kRemoteIpEntries; ++k) {
        const std::size_t at = kRemoteOffset + kRemoteBytes * k;
        record.remotes[k].address = getAddress(block, at);
        record.remotes[k].timeoutValueMs = getTime(block, at + 4);
        record.remotes[k].reconnectTimeMs = getTime(block, at + 6);
    }
    return record;
}

bool isLegalIpAddress(const Ipv4& address) {
    if (address[3] == 255) return false;
    return address != Ipv4{255, 255, 255, 0} && address != Ipv4{127, 0, 0, 1} && address != Ipv4{224, 0, 0, 0};
}

bool readIpSettingFile(const std::string& path, IpSettingRecord& record) {
    // Non-blocking, so that a FIFO or a terminal named here cannot hang the
    // window before fstat has a chance to refuse it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    FileDescriptor file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    // A short file is no IP setting at all (most likely a truncated copy);
    // taking it would fill the rest of the record with invented zeros.
    if (info.st_size < static_cast<off_t>(kIpSettingBlockBytes)) return false;
    IpSettingBlock block{};
    if (!readAll(fd, block)) return false;
    record = decodeIpSettingBlock(block);
    return true;
}

bool writeIpSettingFile(const std::string& path, const IpSettingRecord& record) {
    const std::string target = replacedPath(path);
    // Only a regular file is replaced; a directory, FIFO or device of that
    // name is no earlier setting and stays as it is.
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) return false;

    // The new content goes to a file beside the target and is renamed over it
    // only once it is whole on disk, so a failure at any point keeps the old file.
    std::string temporary = temporaryPattern(target);
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool written;
    {
        FileDescriptor file(fd);
        const IpSettingBlock block = encodeIpSettingBlock(record);
        written = ::fchmod(fd, exists ? (info.st_mode & 07777) : newFileMode()) == 0 && writeAll(fd, block) &&
                  ::fsync(fd) == 0 && file.close();
    }
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolderOf(target);
    return true;
}

}  // namespace norvik
