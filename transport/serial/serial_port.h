#pragma once
// The one way the program reaches the gateway: a PC serial port.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace norvik {

// The values are the indices of the parity box's entries "None", "Odd", "Even".
enum class Parity : uint8_t { None = 0, Odd = 1, Even = 2 };

struct PortSettings {
    uint8_t port = 1;  // 1..8 = "Com1".."Com8"
    uint32_t baud = 115200;
    uint8_t dataBits = 8;  // always 8
    Parity parity = Parity::None;
    uint8_t stopBits = 0;  // always 0: one stop bit
    // The device to open; when empty, the port's own rule for "Com<port>" decides.
    // Initialised here so that the settings may still be written as five numbers.
    std::string device = {};
};

// The entries of the port-setting boxes, in the order they are offered.
inline constexpr std::array<uint32_t, 7> kBaudRates{2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr std::size_t kDefaultBaudIndex = 6;

// Receive time-out for n bytes: (10000 / baud + 1) * n ms in integer arithmetic,
// kept to 16 bits as the port layer takes it.
uint16_t blockTimeout(uint32_t baud, uint32_t n);

// Nominal sizes that time-outs are computed from.
inline constexpr uint32_t kLineTimeoutBytes = 30;

// A console line is read into a buffer of this size; longer lines are cut to
// kLineBufferSize - 1 bytes.
inline constexpr std::size_t kLineBufferSize = 1024;

// What a block receive got: the bytes that came stand at the front of the buffer.
struct BlockReceipt {
    uint16_t status = 0;       // 0 when every byte asked for came in time
    std::size_t received = 0;  // how many bytes came
    bool whole() const { return status == 0; }
};

// The six operations the rest of the program relies on, and the means to cut
// a wait short. Error codes are errno values (2 no such device, 13 permission
// denied, 16 busy), 0 = success.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual uint16_t openPort(const PortSettings& settings) = 0;
    virtual uint32_t closePort(uint8_t port) = 0;
    // Sends the text as one console line (the terminator is added here).
    virtual void sendLine(uint8_t port, std::string_view text) = 0;
    // Sends exactly these bytes, unchanged.
    virtual void sendBlock(uint8_t port, std::span<const uint8_t> bytes) = 0;
    // The next console line without its terminator, or "" when none came in time.
    virtual std::string receiveLine(uint8_t port, uint16_t timeoutMs) = 0;
    // The same, telling an empty line from none: true when a line came (into
    // `line`, possibly empty). With timeoutMs 0 only a line that has already
    // arrived in full is taken. A port that cannot tell reports an empty line
    // as none.
    virtual bool takeLine(uint8_t port, uint16_t timeoutMs, std::string& line) {
        line = receiveLine(port, timeoutMs);
        return !line.empty();
    }
    // Waits until a whole console line has arrived, at most timeoutMs (or until
    // waits are cancelled or the device has gone), and takes nothing: true when
    // one is there to take. A port that cannot wait says none came.
    virtual bool waitForLine(uint8_t /*port*/, uint16_t /*timeoutMs*/) { return false; }
    // Fills the buffer in arrival order, never taking a byte more than it holds.
    // Bytes that did not come are zero.
    virtual BlockReceipt receiveBlock(uint8_t port, std::span<uint8_t> buffer, uint16_t timeoutMs) = 0;

    // Ends every wait on the port at once, from any thread, and lets later waits
    // end at once too, until resumeWaits() or until the port is opened or closed.
    // A receive cut short reports what it had; a send cut short drops the rest.
    virtual void cancelWaits() {}
    // Waits until everything sent has left the port, at most timeoutMs (or
    // until waits are cancelled); false when some of it had not. What has left
    // is not thrown away by a closePort that follows.
    virtual bool drainOutput(uint8_t /*port*/, uint16_t /*timeoutMs*/) { return true; }
    virtual void resumeWaits() {}
    // The error with which the device went away (EIO, ENXIO, ENODEV; a hang-up
    // counts as EIO), or 0 while it is there. Stays until the port is closed.
    virtual uint32_t deviceError() const { return 0; }
};

}  // namespace norvik
