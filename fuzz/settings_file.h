#pragma once
// The fuzz input as a regular file the loaders can open by path, kept in memory
// (memfd) so that a long run does not wear the disk.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace norvik::fuzz {

inline void require(bool holds) {
    if (!holds) std::abort();
}

class MemoryFile {
public:
    MemoryFile(const uint8_t* data, std::size_t size) : fd_(::memfd_create("norvik-fuzz", MFD_CLOEXEC)) {
        require(fd_ >= 0);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd_, data + done, size - done);
            require(n > 0);
            done += static_cast<std::size_t>(n);
        }
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

}  // namespace norvik::fuzz
