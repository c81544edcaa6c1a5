#pragma once
// The telnet layer of an RFC 2217 serial port, as a state machine without I/O:
// bytes from the server go in, and out come the serial data, the negotiation
// answers owed to the server and the server's answers to COM-PORT commands.
// Kept apart from the socket so that every byte of it can be tested and fuzzed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace norvik::telnet {

inline constexpr uint8_t kIac = 255;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kSe = 240;

inline constexpr uint8_t kBinary = 0;
inline constexpr uint8_t kSuppressGoAhead = 3;
inline constexpr uint8_t kComPort = 44;

// COM-PORT-OPTION commands as the client sends them; the server answers with
// the same command plus kServerOffset.
enum class ComCommand : uint8_t {
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    PurgeData = 12,
};
inline constexpr uint8_t kServerOffset = 100;
// PURGE-DATA: both the server's receive and transmit buffers.
inline constexpr uint8_t kPurgeBoth = 3;

// The server's answer to a COM-PORT command: the client's command number and
// the value bytes (unescaped).
struct ComAnswer {
    uint8_t command = 0;
    std::vector<uint8_t> value;
    bool operator==(const ComAnswer&) const = default;
};

class Codec {
public:
    // The offers a client opens with: BINARY both ways, SUPPRESS-GO-AHEAD both
    // ways, and COM-PORT-OPTION (when `comPort`).
    std::vector<uint8_t> start(bool comPort);

    // Server bytes, in any pieces. Serial data is appended to `data`; it never
    // holds more bytes than went in.
    void feed(std::span<const uint8_t> in, std::vector<uint8_t>& data);

    // What the negotiation owes the server since the last call.
    std::vector<uint8_t> takeOwed();
    // The COM-PORT answers received since the last call, in order.
    std::vector<ComAnswer> takeAnswers();

    // The server agreed to act as the COM port, or refused to.
    bool comPortAgreed() const { return us_[kComPortSlot] == State::Yes; }
    bool comPortRefused() const { return comPortRefused_; }

    // Serial data as it goes on the wire: every 255 doubled.
    static void appendEscaped(std::span<const uint8_t> data, std::vector<uint8_t>& out);
    // IAC SB COM-PORT-OPTION command value IAC SE, the value escaped.
    static std::vector<uint8_t> comCommand(ComCommand command, std::span<const uint8_t> value);

    // A subnegotiation longer than this is no COM-PORT answer: the rest of it is dropped.
    static constexpr std::size_t kMaxSubnegotiation = 64;
    // Answers the caller has not taken are kept up to this many, the newest dropped.
    static constexpr std::size_t kMaxAnswers = 64;

private:
    enum class Phase : uint8_t { Data, Iac, Option, Sub, SubIac };
    // Each side of each option, after RFC 1143 without its queue: an offer is
    // made once and settled by the first answer.
    enum class State : uint8_t { No, WantYes, Yes };
    static constexpr std::size_t kBinarySlot = 0;
    static constexpr std::size_t kSgaSlot = 1;
    static constexpr std::size_t kComPortSlot = 2;
    static int slotOf(uint8_t option);

    void command(uint8_t verb, uint8_t option);
    void endSubnegotiation();
    void owe(uint8_t verb, uint8_t option);

    Phase phase_ = Phase::Data;
    uint8_t verb_ = 0;
    bool afterCr_ = false;
    std::array<State, 3> us_{};   // what we do (WILL/WONT)
    std::array<State, 3> him_{};  // what the server does (DO/DONT)
    bool comPortRefused_ = false;
    std::vector<uint8_t> sub_;
    bool subTooLong_ = false;
    std::vector<uint8_t> owed_;
    std::vector<ComAnswer> answers_;
};

}  // namespace norvik::telnet
