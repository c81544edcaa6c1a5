#include "wire_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace gatesim {

std::string printable(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7F) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

WireLog::~WireLog() {
    if (fd_ >= 0) ::close(fd_);
}

void WireLog::openFile(const std::string& path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
}

void WireLog::rxLine(std::string_view text) { entry("RX LINE " + printable(text)); }

namespace {

std::string sizeAndHex(std::span<const uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text = std::to_string(bytes.size()) + " ";
    for (uint8_t b : bytes) {
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
    }
    return text;
}

}  // namespace

void WireLog::rxBlock(std::span<const uint8_t> bytes) { entry("RX BLOCK " + sizeAndHex(bytes)); }

void WireLog::stored(std::string_view what, std::span<const uint8_t> bytes) {
    entry("STORED " + std::string(what) + " " + sizeAndHex(bytes));
}

void WireLog::txLine(std::string_view text) { entry("TX LINE " + printable(text)); }

void WireLog::txBlock(std::size_t size) { entry("TX BLOCK " + std::to_string(size)); }

void WireLog::quiet(std::string_view why) { entry("QUIET " + std::string(why)); }

void WireLog::note(std::string_view text) {
    if (verbose_) std::fprintf(stderr, "gatesim: %.*s\n", static_cast<int>(text.size()), text.data());
}

void WireLog::entry(const std::string& line) {
    note(line);
    if (fd_ < 0) return;
    std::string whole = line + "\n";
    // One write per entry: O_APPEND keeps it whole even when a reader tails the file.
    std::size_t done = 0;
    while (done < whole.size()) {
        ssize_t n = ::write(fd_, whole.data() + done, whole.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace gatesim
