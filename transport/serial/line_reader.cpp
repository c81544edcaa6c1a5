#include "serial/line_reader.h"

#include <algorithm>
#include <cstring>

#include "serial/serial_port.h"

namespace norvik {

void LineReader::feed(std::span<const uint8_t> bytes) {
    // What was taken goes before anything comes, so that the bytes waiting
    // are moved at most once per piece that arrives.
    if (head_ > 0) {
        rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
    rx_.insert(rx_.end(), bytes.begin(), bytes.end());
}

std::size_t LineReader::findNewline(std::size_t from) const {
    const std::size_t n = size();
    if (from >= n) return std::string::npos;
    const void* nl = std::memchr(text() + from, '\n', n - from);
    return nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text()) : std::string::npos;
}

void LineReader::drop(std::size_t n) {
    head_ += n;
    if (head_ == rx_.size()) {
        rx_.clear();
        head_ = 0;
    }
}

bool LineReader::takeLine(std::string& line) {
    if (discarding_) {
        const std::size_t nl = findNewline(0);
        if (nl == std::string::npos) {
            drop(size());
            return false;
        }
        drop(nl + 1);
        discarding_ = false;
    }
    std::size_t len = 0;
    std::size_t taken = 0;
    const std::size_t nl = findNewline(0);
    if (nl != std::string::npos) {
        len = nl;
        if (len > 0 && text()[len - 1] == '\r') --len;
        len = std::min(len, kLineBufferSize - 1);
        taken = nl + 1;
    } else if (size() > kLineBufferSize) {
        // Even if the next byte were the "\n" behind a "\r", the text would not
        // fit, so the cut can be made now without waiting for the rest.
        len = kLineBufferSize - 1;
        taken = size();
        discarding_ = true;
    } else {
        return false;
    }
    // The line is handed on as a zero-terminated text: nothing after a zero byte counts.
    if (const void* zero = len > 0 ? std::memchr(text(), '\0', len) : nullptr)
        len = static_cast<std::size_t>(static_cast<const char*>(zero) - text());
    line.assign(text(), len);
    drop(taken);
    return true;
}

bool LineReader::hasLine() const {
    std::size_t from = 0;
    if (discarding_) {
        const std::size_t nl = findNewline(0);
        if (nl == std::string::npos) return false;
        from = nl + 1;
    }
    return findNewline(from) != std::string::npos || size() - from > kLineBufferSize;
}

std::size_t LineReader::takeBytes(std::span<uint8_t> dest) {
    discarding_ = false;
    const std::size_t got = std::min(size(), dest.size());
    std::copy_n(rx_.begin() + static_cast<std::ptrdiff_t>(head_), got, dest.begin());
    drop(got);
    return got;
}

void LineReader::clear() {
    std::vector<uint8_t>().swap(rx_);
    head_ = 0;
    discarding_ = false;
}

}  // namespace norvik
