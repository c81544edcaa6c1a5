#pragma once
// The framing of console lines in the bytes a gateway sends. Both the real port
// and the test double split lines with this one piece of code, so that a test
// sees every line exactly as the program would.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace norvik {

class LineReader {
public:
    // Received bytes, in arrival order.
    void feed(std::span<const uint8_t> bytes);

    // Takes the next console line, without its terminator, if one is complete.
    // A line ends at "\n" and loses one "\r" before it; nothing after a zero
    // byte counts. A line is never taken past its terminator: what follows it
    // stays for the next line or block. A line longer than kLineBufferSize - 1
    // bytes is cut to that length, as soon as more than kLineBufferSize bytes
    // wait without a "\n", and the rest of it up to its "\n" is dropped.
    bool takeLine(std::string& line);
    // Whether takeLine() would take a line now.
    bool hasLine() const;

    // Moves up to dest.size() waiting bytes into dest and returns their count.
    // A block follows a line the caller took as complete, so the tail of a cut
    // line is no longer looked for.
    std::size_t takeBytes(std::span<uint8_t> dest);

    // Bytes waiting, including those of a cut line's tail not yet dropped.
    std::size_t size() const { return rx_.size() - head_; }
    // Forgets every byte and the tail still to be dropped, and frees the memory.
    void clear();

private:
    // The waiting bytes as text: a line is copied straight from them (the
    // iterator form of assign() builds a temporary string first).
    const char* text() const { return reinterpret_cast<const char*>(rx_.data()) + head_; }
    // The first "\n" waiting from `from` bytes on, as an offset from the
    // first waiting byte; npos without one.
    std::size_t findNewline(std::size_t from) const;
    // Lets go of the first n waiting bytes.
    void drop(std::size_t n);

    // A byte taken only moves head_ on: a block read byte by byte, or lines
    // taken one at a time from a long run, would otherwise move everything
    // behind it each time. The room before head_ is given back as bytes come.
    std::vector<uint8_t> rx_;
    std::size_t head_ = 0;     // bytes of rx_ already taken
    bool discarding_ = false;  // the tail of a cut line is still to be skipped
};

// A port's lines and blocks over its `readSome(dest)`, which waits for bytes
// up to the port's deadline and returns how many it put into dest, 0 on
// time-out, on cancel or once the device has gone. Every port reads through
// these, so they all frame a line and the block behind it alike.

// Takes the next line; reads until one is whole or readSome gives nothing.
template <class ReadSome>
bool readLine(LineReader& rx, std::string& line, ReadSome&& readSome) {
    std::array<uint8_t, 512> chunk{};
    // A read past the deadline still takes what the device already holds.
    while (!rx.takeLine(line)) {
        const std::size_t n = readSome(std::span<uint8_t>(chunk));
        if (n == 0) return false;
        rx.feed(std::span(chunk).first(n));
    }
    return true;
}

// Reads until a whole line waits, without taking it.
template <class ReadSome>
bool awaitLine(LineReader& rx, ReadSome&& readSome) {
    std::array<uint8_t, 512> chunk{};
    while (!rx.hasLine()) {
        const std::size_t n = readSome(std::span<uint8_t>(chunk));
        if (n == 0) return false;
        rx.feed(std::span(chunk).first(n));
    }
    return true;
}

// Fills `buffer` with what waits, then with what comes; returns the count.
// The caller has taken the line before as complete: what follows is the block.
template <class ReadSome>
std::size_t readBlock(LineReader& rx, std::span<uint8_t> buffer, ReadSome&& readSome) {
    std::size_t got = rx.takeBytes(buffer);
    while (got < buffer.size()) {
        // Straight into the caller's buffer: never a byte more than asked for.
        const std::size_t n = readSome(buffer.subspan(got));
        if (n == 0) break;
        got += n;
    }
    return got;
}

}  // namespace norvik
