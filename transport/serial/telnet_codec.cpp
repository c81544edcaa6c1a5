#include "serial/telnet_codec.h"

#include <utility>

namespace norvik::telnet {

int Codec::slotOf(uint8_t option) {
    switch (option) {
    case kBinary: return static_cast<int>(kBinarySlot);
    case kSuppressGoAhead: return static_cast<int>(kSgaSlot);
    case kComPort: return static_cast<int>(kComPortSlot);
    default: return -1;
    }
}

std::vector<uint8_t> Codec::start(bool comPort) {
    owed_.clear();
    for (const uint8_t option : {kBinary, kSuppressGoAhead}) {
        const auto slot = static_cast<std::size_t>(slotOf(option));
        us_[slot] = State::WantYes;
        him_[slot] = State::WantYes;
        owe(kWill, option);
        owe(kDo, option);
    }
    if (comPort) {
        us_[kComPortSlot] = State::WantYes;
        owe(kWill, kComPort);
    }
    return takeOwed();
}

void Codec::owe(uint8_t verb, uint8_t option) {
    owed_.push_back(kIac);
    owed_.push_back(verb);
    owed_.push_back(option);
}

std::vector<uint8_t> Codec::takeOwed() { return std::exchange(owed_, {}); }

std::vector<ComAnswer> Codec::takeAnswers() { return std::exchange(answers_, {}); }

void Codec::command(uint8_t verb, uint8_t option) {
    const int slot = slotOf(option);
    // The server only acts as the client's COM port, never the other way round.
    const bool himAllowed = slot >= 0 && option != kComPort;
    switch (verb) {
    case kDo:
        if (slot < 0) {
            owe(kWont, option);
        } else if (us_[static_cast<std::size_t>(slot)] == State::No) {
            us_[static_cast<std::size_t>(slot)] = State::Yes;
            owe(kWill, option);
        } else {
            us_[static_cast<std::size_t>(slot)] = State::Yes;
        }
        break;
    case kDont:
        if (slot < 0) break;
        if (option == kComPort && us_[kComPortSlot] != State::No) comPortRefused_ = true;
        if (us_[static_cast<std::size_t>(slot)] == State::Yes) owe(kWont, option);
        us_[static_cast<std::size_t>(slot)] = State::No;
        break;
    case kWill:
        if (!himAllowed) {
            owe(kDont, option);
        } else if (him_[static_cast<std::size_t>(slot)] == State::No) {
            him_[static_cast<std::size_t>(slot)] = State::Yes;
            owe(kDo, option);
        } else {
            him_[static_cast<std::size_t>(slot)] = State::Yes;
        }
        break;
    case kWont:
        if (!himAllowed) break;
        if (him_[static_cast<std::size_t>(slot)] == State::Yes) owe(kDont, option);
        him_[static_cast<std::size_t>(slot)] = State::No;
        break;
    default: break;
    }
}

void Codec::endSubnegotiation() {
    if (!subTooLong_ && sub_.size() >= 2 && sub_[0] == kComPort && sub_[1] > kServerOffset &&
        answers_.size() < kMaxAnswers) {
        answers_.push_back(
            {static_cast<uint8_t>(sub_[1] - kServerOffset), std::vector<uint8_t>(sub_.begin() + 2, sub_.end())});
    }
    sub_.clear();
    subTooLong_ = false;
}

void Codec::feed(std::span<const uint8_t> in, std::vector<uint8_t>& data) {
    for (std::size_t i = 0; i < in.size(); ++i) {
        const uint8_t b = in[i];
        switch (phase_) {
        case Phase::Data:
            if (b == kIac) {
                phase_ = Phase::Iac;
                break;
            }
            // Outside BINARY a carriage return travels as CR NUL; the NUL is no data.
            if (!(b == 0 && afterCr_ && him_[kBinarySlot] != State::Yes)) data.push_back(b);
            afterCr_ = b == '\r';
            break;
        case Phase::Iac:
            if (b == kIac) {
                data.push_back(kIac);
                afterCr_ = false;
                phase_ = Phase::Data;
            } else if (b == kDo || b == kDont || b == kWill || b == kWont) {
                verb_ = b;
                phase_ = Phase::Option;
            } else if (b == kSb) {
                sub_.clear();
                subTooLong_ = false;
                phase_ = Phase::Sub;
            } else {
                // NOP, GA, a stray SE and the like carry nothing for a serial line.
                phase_ = Phase::Data;
            }
            break;
        case Phase::Option:
            command(verb_, b);
            phase_ = Phase::Data;
            break;
        case Phase::Sub:
        case Phase::SubIac:
            if (phase_ == Phase::Sub && b == kIac) {
                phase_ = Phase::SubIac;
                break;
            }
            if (phase_ == Phase::SubIac && b == kSe) {
                endSubnegotiation();
                phase_ = Phase::Data;
                break;
            }
            if (phase_ == Phase::SubIac && b != kIac) {
                // IAC and anything but SE or IAC ends a broken subnegotiation;
                // the byte is read again as the command it is.
                sub_.clear();
                subTooLong_ = false;
                phase_ = Phase::Iac;
                --i;
                break;
            }
            if (sub_.size() < kMaxSubnegotiation) sub_.push_back(b);
            else subTooLong_ = true;
            phase_ = Phase::Sub;
            break;
        }
    }
}

void Codec::appendEscaped(std::span<const uint8_t> data, std::vector<uint8_t>& out) {
    out.reserve(out.size() + data.size());
    for (const uint8_t b : data) {
        out.push_back(b);
        if (b == kIac) out.push_back(kIac);
    }
}

std::vector<uint8_t> Codec::comCommand(ComCommand command, std::span<const uint8_t> value) {
    std::vector<uint8_t> out{kIac, kSb, kComPort, static_cast<uint8_t>(command)};
    appendEscaped(value, out);
    out.push_back(kIac);
    out.push_back(kSe);
    return out;
}

}  // namespace norvik::telnet
