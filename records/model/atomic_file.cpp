#include "model/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvik {

namespace {

// Closes a descriptor on every way out of a function.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // The close result matters for a file just written: it may report a
    // write that the file system only now found impossible.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::span<const uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file a save really replaces: the target of a symbolic link rather than
// the link, so the link keeps pointing where the user made it point.
std::optional<std::string> resolvedTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT ? std::optional(path) : std::nullopt;
    if (!S_ISLNK(info.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return std::nullopt;  // a dangling link or a loop
    std::string target(real);
    std::free(real);
    return target;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A fresh file beside `target`, created with O_EXCL so that nothing already
// there (a file, a link planted by someone else) is ever opened.
std::pair<int, std::string> createSibling(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = folder + "." + name + "." + std::to_string(random() % 1000000) + ".tmp";
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return {fd, candidate};
        if (errno != EEXIST) break;
    }
    return {-1, {}};
}

}  // namespace

bool writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
    if (path.empty()) return false;
    const std::optional<std::string> target = resolvedTarget(path);
    if (!target) return false;
    struct stat existing {};
    const bool exists = ::stat(target->c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return false;
    if (exists && !S_ISREG(existing.st_mode)) return false;

    auto [fd, temporary] = createSibling(*target);
    Descriptor file(fd);
    if (!file.valid()) return false;
    bool ok = !exists || ::fchmod(file.get(), existing.st_mode & 07777) == 0;
    ok = ok && writeAll(file.get(), bytes);
    ok = ok && ::fsync(file.get()) == 0;
    ok = file.close() && ok;
    ok = ok && ::rename(temporary.c_str(), target->c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself lives in the folder; without this a power cut could
    // still bring the old name back. The file is complete either way, so a
    // failure here is not the user's concern.
    Descriptor folder(::open(folderOf(*target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) ::fsync(folder.get());
    return true;
}

std::optional<std::vector<uint8_t>> readRegularFile(const std::string& path, std::size_t maxBytes) {
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait for one.
    // It changes nothing for a regular file.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.valid()) return std::nullopt;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    // Room for the size the file says it has and one byte more, so that a
    // file that has grown since shows it; more only when it has.
    const auto said = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
    std::vector<uint8_t> bytes(std::min(maxBytes, said + 1));
    std::size_t got = 0;
    while (true) {
        if (got == bytes.size()) {
            if (bytes.size() >= maxBytes) break;
            bytes.resize(std::min(maxBytes, bytes.size() * 2));
        }
        const ssize_t n = ::read(file.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

}  // namespace norvik
