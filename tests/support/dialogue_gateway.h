#pragma once
// A model gateway for the console dialogue run on one thread, tick by tick,
// whose every answer is shaped by a "fate": a fuzzer's bytes, or a test that
// goes through every way of answering in turn. What the gateway receives is
// checked, tick by tick:
//  - no command starts an exchange while the last one is under way: before
//    the gateway's last line of it has been read, the dialogue must have heard
//    no line of it for its whole time-out (a connect reply queued behind
//    another is no reason to ask again);
//  - no byte of a command reaches the gateway while it receives a block;
//  - a block the gateway asked for comes whole, as the job gave it, followed
//    by "transmit_end";
//  - nothing the dialogue installs or shows was built from console lines.
// A broken check is handed to the rig's `broken` hook with what broke.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ipsetting/ip_setting.h"
#include "link/exchange_rules.h"
#include "link/console_texts.h"
#include "link/dialogue_hooks.h"
#include "link/link_session.h"
#include "link/link_view.h"
#include "model/gateway_config.h"
#include "model/parameter_block.h"
#include "support/fake_port.h"
#include "support/recording_ui.h"

namespace norvik::test {

// How the gateway treats one whole answer: to a prompt, to a command, or its
// verdict on a block it was sent.
enum class Twist : uint8_t {
    None,     // as the finer choices below decide
    Silence,  // no answer at all (a command: missed, no block awaited)
    Noise,    // a stray line (the echo of what it heard), then the answer
    Twice,    // the whole answer twice
    Late,     // the first line now, the rest a tick later; a lone line a tick late
    Short,    // a block short by `cut` bytes; a lone line cut by as many (one byte kept)
    Notice,   // the module's disconnect notice in place of the answer
};
struct Shape {
    Twist twist = Twist::None;
    std::size_t cut = 0;
};

enum class PromptReply : uint8_t { Connect, ConnectTwice, Disconnect };
enum class Verdict : uint8_t { ReceiveError, SaveError, Finished };
// How one line or block of an answer goes out.
struct Delivery {
    bool dropped = false;
    int lateTicks = 0;
    std::optional<std::size_t> garbleAt;  // a line's byte turned to '#'
};

class GatewayFate {
public:
    virtual ~GatewayFate() = default;
    // Asked first for every answer to something the dialogue said.
    virtual Shape shape() = 0;
    virtual PromptReply promptReply() = 0;
    virtual bool missesCommand() = 0;
    // Bytes of a load's block of `size` that the gateway sends.
    virtual std::size_t blockBytes(std::size_t size) = 0;
    virtual Verdict verdict() = 0;
    virtual Delivery delivery(std::size_t length, bool isLine) = 0;
    // Lines said between a load's block and its finish line (none unless a fate
    // says so). The gateway keeps them as they are handed: their texts must
    // outlive it.
    virtual std::span<const std::string_view> strayLines() { return {}; }
};

class TickClock final : public Clock {
public:
    uint64_t nowMs() const override { return now; }
    uint64_t now = 0;
};

// A gateway is slow in whole ticks here: the dialogue reads once a tick.
inline constexpr int kMaxLateTicks = 2;
// How long the gateway waits for a block it asked for: less than the dialogue
// gives an exchange, as a real gateway's three seconds are.
inline constexpr int kBlockTimeoutTicks = 4;
static_assert(kBlockTimeoutTicks < ExchangeRules::kExchangeTimeoutTicks);

// The blocks this gateway holds, and the ones the jobs send it. Made once: the
// model answers with them thousands of times a second.
inline const std::vector<uint8_t>& modelParameterBlock() {
    static const std::vector<uint8_t> block = [] {
        std::vector<uint8_t> b = {'K', '5', 0, 0, 0, 0, 7, 0x00, 0x64, 0x03, 0xE8, 2, 1, 0, 0, 0};
        const std::array<std::array<uint8_t, 12>, 3> records{{{0xFF, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0},
                                                              {3, 0, 0, 0, 0, 2, 3, 0, 10, 0, 0, 0},
                                                              {4, 2, 2, 0, 0x10, 4, 0, 0, 20, 1, 1, 0}}};
        for (const auto& r : records) b.insert(b.end(), r.begin(), r.end());
        return b;
    }();
    return block;
}
inline const std::vector<uint8_t>& modelFileNameReply() {
    static const std::vector<uint8_t> reply = [] {
        const std::string s = std::string("File_NO=\x01", 9) + "File_Name=3420V10.bin";
        return std::vector<uint8_t>(s.begin(), s.end());
    }();
    return reply;
}
inline const std::vector<uint8_t>& modelSafeValues() {
    static const std::vector<uint8_t> block(512, 0x5A);
    return block;
}
inline const std::vector<uint8_t>& modelIpSettingBlock() {
    static const std::vector<uint8_t> block(76, 0xC0);
    return block;
}
inline std::vector<uint8_t> sentSafeValues() { return std::vector<uint8_t>(512, 0x33); }
inline IpSettingRecord sentIpSetting() {
    IpSettingRecord record;
    setDefaultIpSetting(record);
    return record;
}

using BrokenHook = std::function<void(const char* what)>;

class DialogueGateway {
public:
    DialogueGateway(GatewayFate& fate, FakePort& port, BrokenHook broken)
        : fate_(fate), port_(port), broken_(std::move(broken)) {
        // Room for what a run usually holds at once, taken in one piece each.
        outbox_.reserve(16);
        delivered_.reserve(16);
        exchanges_.reserve(16);
    }

    // Start of a tick: what is due goes on the wire, a block wait may run out.
    void beginTick(int tick) {
        tick_ = tick;
        if (receiving_ && tick_ >= receiveStart_ + kBlockTimeoutTicks) {
            receiving_.reset();
            emit(exchange_, {receiveError_, false}, true);
        }
        std::size_t sent = 0;
        for (; sent < outbox_.size() && outbox_[sent].due <= tick_; ++sent) {
            const Piece& p = outbox_[sent];
            const std::size_t start = queued_;
            queued_ += send(p);
            if (p.heard) delivered_.push_back({start, queued_, p.exchange});
            if (p.exchange >= 0 && p.last) exchanges_[static_cast<std::size_t>(p.exchange)].lastEnd = queued_;
        }
        outbox_.erase(outbox_.begin(), outbox_.begin() + static_cast<std::ptrdiff_t>(sent));
    }

    // End of a tick: what the dialogue has read counts as progress of its
    // exchange; then everything it sent is taken in order.
    void endTick() {
        const std::size_t consumed = port_.consumedBytes();
        std::size_t read = 0;
        for (; read < delivered_.size() && delivered_[read].end <= consumed; ++read)
            exchanges_[static_cast<std::size_t>(delivered_[read].exchange)].lastProgress = tick_;
        delivered_.erase(delivered_.begin(), delivered_.begin() + static_cast<std::ptrdiff_t>(read));
        seen_ += port_.visitSentSince(seen_, [this](const FakePort::Sent& s) { take(s); });
    }

    // Nothing more to say and no block awaited.
    bool quiet() const { return outbox_.empty() && !receiving_; }
    // What the dialogue has sent since the last endTick().
    std::vector<FakePort::Sent> unseen() const { return port_.sentSince(seen_); }
    // Commands among those (prompts and block ends are no commands), counted
    // where they lie: the rig asks twice a tick.
    std::size_t commandsUnseen() const {
        std::size_t n = 0;
        port_.visitSentSince(seen_, [&n](const FakePort::Sent& s) {
            const std::string_view line = s.line;
            n += !s.isBlock && line != console::kPrompt && line != console::kTransmitEnd ? 1 : 0;
        });
        return n;
    }
    // Blocks stored on the dialogue's word, each with a "finished" verdict.
    int blocksStored() const { return blocksStored_; }

private:
    // A line or block on its way. Its bytes are the model's own constants and
    // blocks, so that an answer is queued without a copy of its own; only a
    // line said back as it was heard is copied, into echoes_.
    struct Piece {
        int due = 0;
        std::string_view bytes;
        int echo = -1;                                  // the bytes are echoes_[echo] instead
        bool isLine = false;                            // goes out with its "\r\n"
        std::size_t garbleAt = std::string_view::npos;  // the line's byte turned to '#'
        int exchange = -1;                              // the exchange it belongs to, -1 for connect replies
        bool last = false;                              // the gateway's last line of it
        bool heard = false;  // an intact line, which the dialogue knows as one of the exchange
    };
    struct Delivered {
        std::size_t start = 0;
        std::size_t end = 0;
        int exchange = -1;
    };
    struct Exchange {
        std::optional<std::size_t> lastEnd;  // where its last line ends in the stream, once sent
        int lastProgress = 0;                // the tick its command came or a line of it was read
    };
    // A line (without its terminator) or a block, in the model's own constants.
    struct Text {
        std::string_view bytes;
        bool isBlock = false;
        bool last = false;
        bool borrowed = false;  // bytes that may not outlive the call: a Piece keeps a copy
    };
    struct Receiving {
        std::size_t size = 0;
        std::size_t got = 0;
        // What came, when the block came in parts (which breaks a check already).
        std::vector<uint8_t> parts;
    };

    void require(bool holds, const char* what) const {
        if (!holds) broken_(what);
    }

    void take(const FakePort::Sent& s) {
        if (receiving_ && receiving_->got < receiving_->size) {
            require(s.isBlock, "a line went out while the gateway received a block");
            static const std::vector<uint8_t> safeValues = sentSafeValues();
            static const std::vector<uint8_t> ipSetting = ipSettingBlock();
            const std::vector<uint8_t>& job = receiving_->size == 512 ? safeValues : ipSetting;
            // The whole block at once is checked where it lies.
            const bool inOne = receiving_->got == 0 && s.bytes.size() == receiving_->size;
            if (!inOne) receiving_->parts.insert(receiving_->parts.end(), s.bytes.begin(), s.bytes.end());
            receiving_->got = inOne ? s.bytes.size() : receiving_->parts.size();
            require(receiving_->got == receiving_->size, "a block went out not whole");
            require((inOne ? s.bytes : receiving_->parts) == job, "a block went out other than the job's");
            return;
        }
        if (s.isBlock) return;  // a block nobody waits for: console noise
        if (receiving_) {
            require(s.line == console::kTransmitEnd, "a block was not followed by its end line");
            receiving_.reset();
            const Shape shape = fate_.shape();
            const Verdict verdict = fate_.verdict();
            if (verdict == Verdict::Finished && shape.twist != Twist::Notice) ++blocksStored_;
            const char* line = verdict == Verdict::ReceiveError ? receiveError_
                               : verdict == Verdict::SaveError  ? saveError_
                                                                : finished_;
            const Text said[] = {{line, false, true}};
            answer(shape, s.line, exchange_, said);
            return;
        }
        onLine(s.line, s.consumedBefore);
    }

    static std::vector<uint8_t> ipSettingBlock() {
        const IpSettingBlock block = encodeIpSettingBlock(sentIpSetting());
        return {block.begin(), block.end()};
    }

    void onLine(std::string_view line, std::size_t consumedBefore) {
        namespace c = console;
        if (line == c::kPrompt) {
            const Shape shape = fate_.shape();
            const PromptReply how = fate_.promptReply();
            const Text reply[] = {{how == PromptReply::Disconnect ? c::kReplyDisconnect : c::kReplyConnect},
                                  {c::kReplyConnect}};
            answer(shape, line, -1, std::span(reply).first(how == PromptReply::ConnectTwice ? 2 : 1));
            return;
        }
        const std::string_view l = line;
        const bool command = l == c::kLoadParameter || l == c::kLoadFileName || l == c::kSendSafeValue ||
                             l == c::kLoadSafeValue || l == c::kSendIpSetting || l == c::kLoadIpSetting;
        if (!command) return;
        checkNotSentAgain(consumedBefore);
        exchanges_.push_back({std::nullopt, tick_});
        exchange_ = static_cast<int>(exchanges_.size()) - 1;
        const Shape shape = fate_.shape();
        if (fate_.missesCommand() || shape.twist == Twist::Silence) return;
        if (shape.twist == Twist::Notice) {
            answer(shape, line, -1, std::span<const Text>());
            return;
        }
        if (l == c::kLoadParameter) {
            load(shape, line, c::kReplyParameter, modelParameterBlock(), c::kReplyParameterFinish);
        } else if (l == c::kLoadFileName) {
            load(shape, line, c::kReplyFileName, modelFileNameReply(), c::kReplyFileNameFinish);
        } else if (l == c::kLoadSafeValue) {
            load(shape, line, c::kReplySafeValue, modelSafeValues(), c::kReplySafeValueFinish);
        } else if (l == c::kLoadIpSetting) {
            load(shape, line, c::kReplyIpSetting, modelIpSettingBlock(), c::kReplyIpSettingFinish);
        } else if (l == c::kSendSafeValue) {
            askForBlock(shape, line, c::kReplyReceiveSafeValue, 512, c::kReplyReceiveSafeValueError,
                        c::kReplySaveSafeValueError, c::kReplySafeValueSent);
        } else {
            askForBlock(shape, line, c::kReplyReceiveIpSetting, 76, c::kReplyReceiveIpSettingError,
                        c::kReplySaveIpSettingError, c::kReplyIpSettingSent);
        }
    }

    void checkNotSentAgain(std::size_t consumedBefore) const {
        if (exchange_ < 0) return;
        const Exchange& last = exchanges_[static_cast<std::size_t>(exchange_)];
        const bool read = last.lastEnd && consumedBefore >= *last.lastEnd;
        const bool givenUp = tick_ - last.lastProgress >= ExchangeRules::kExchangeTimeoutTicks;
        require(read || givenUp, "a command went out before the last answer was read or given up");
    }

    void load(const Shape& shape, std::string_view said, const char* announce, std::span<const uint8_t> block,
              const char* finish) {
        std::size_t keep = fate_.blockBytes(block.size());
        // Short by less than its finish line, whose head then follows in its place.
        if (shape.twist == Twist::Short) keep = block.size() - std::min(block.size(), shape.cut);
        const Text pieces[] = {
            {announce}, {{reinterpret_cast<const char*>(block.data()), keep}, true}, {finish, false, true}};
        const std::span<const std::string_view> stray = fate_.strayLines();
        if (stray.empty()) return answer(shape, said, exchange_, pieces);
        std::vector<Text> told(std::begin(pieces), std::end(pieces) - 1);
        for (const std::string_view line : stray) told.push_back({line});
        told.push_back(pieces[2]);
        answer(shape, said, exchange_, told);
    }

    void askForBlock(const Shape& shape, std::string_view said, const char* announce, std::size_t size,
                     const char* receiveError, const char* saveError, const char* finished) {
        receiveError_ = receiveError;
        saveError_ = saveError;
        finished_ = finished;
        // The gateway waits from now on, whether or not its line arrives.
        receiving_ = Receiving{size, 0, {}};
        receiveStart_ = tick_;
        const Text pieces[] = {{announce}};
        answer(shape, said, exchange_, pieces);
    }

    // A whole answer as its shape has it.
    void answer(const Shape& shape, std::string_view said, int exchange, std::span<const Text> pieces) {
        static const Text notice[] = {{console::kReplyDisconnect}};
        switch (shape.twist) {
        case Twist::Silence: return;
        case Twist::Notice:
            pieces = notice;
            exchange = -1;
            break;
        case Twist::Noise: emit(-1, {said, false, false, true}, false); break;
        default: break;
        }
        const bool lone = pieces.size() == 1;
        for (int copy = shape.twist == Twist::Twice ? 2 : 1; copy > 0; --copy) {
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                Text t = pieces[i];
                bool cut = false;
                if (shape.twist == Twist::Short && lone && !t.isBlock) {
                    t.bytes.remove_suffix(std::min(t.bytes.size() - 1, shape.cut));
                    cut = true;
                }
                const int late = shape.twist == Twist::Late && (lone || i > 0) ? 1 : 0;
                emit(exchange, t, t.last, late, cut);
            }
        }
    }

    // One piece of an answer, on time, late, dropped or garbled; lines never
    // overtake each other. Only an intact line counts as heard of its exchange;
    // a garbled last line still ends it, once read.
    void emit(int exchange, Text text, bool last, int extraLate = 0, bool cut = false) {
        const Delivery d = fate_.delivery(text.bytes.size(), !text.isBlock);
        if (d.dropped) return;
        Piece p;
        p.isLine = !text.isBlock;
        bool intactLine = !text.isBlock && !cut;
        if (d.garbleAt && !text.isBlock && !text.bytes.empty()) {
            p.garbleAt = *d.garbleAt % text.bytes.size();
            intactLine = false;
        }
        if (text.borrowed) {
            p.echo = static_cast<int>(echoes_.size());
            echoes_.emplace_back(text.bytes);
        } else {
            p.bytes = text.bytes;
        }
        due_ = std::max(due_, tick_ + 1 + std::min(d.lateTicks, kMaxLateTicks) + extraLate);
        p.due = due_;
        p.exchange = exchange;
        p.last = last;
        p.heard = intactLine && exchange >= 0;
        outbox_.push_back(std::move(p));
    }

    // Puts a piece on the wire; returns its bytes there.
    std::size_t send(const Piece& p) {
        std::string_view bytes = p.echo >= 0 ? std::string_view(echoes_[static_cast<std::size_t>(p.echo)]) : p.bytes;
        if (p.garbleAt != std::string_view::npos) {
            garbled_.assign(bytes);
            garbled_[p.garbleAt] = '#';
            bytes = garbled_;
        }
        if (!p.isLine) {
            port_.queueBytes(bytes);
            return bytes.size();
        }
        port_.queueLine(bytes);
        return bytes.size() + 2;
    }

    GatewayFate& fate_;
    FakePort& port_;
    BrokenHook broken_;
    int tick_ = 0;
    int due_ = 0;
    // A few entries each, which fill and empty tick by tick: vectors keep
    // their room once empty, as a deque's blocks do not.
    std::vector<Piece> outbox_;
    std::vector<Delivered> delivered_;
    std::string garbled_;  // a garbled line as it goes out
    std::vector<std::string> echoes_;
    std::size_t queued_ = 0;
    std::size_t seen_ = 0;
    std::vector<Exchange> exchanges_;
    int exchange_ = -1;
    std::optional<Receiving> receiving_;
    int receiveStart_ = 0;
    const char* receiveError_ = "";
    const char* saveError_ = "";
    const char* finished_ = "";
    int blocksStored_ = 0;
};

// The dialogue on one thread and the test's clock against the model gateway:
// the receivers run inline (the fake port never waits for real time) and a
// tick is a second of the clock.
class DialogueRig {
    // First, as the gateway reports through it.
    BrokenHook broken_;

public:
    DialogueRig(GatewayFate& fate, BrokenHook broken, DialoguePace dialoguePace = DialoguePace::Tick)
        : broken_(std::move(broken)), pace(dialoguePace), gateway(fate, port, broken_) {
        port.keepToOneThread();
    }

    void connect() {
        rules.connect(PortSettings{});
        gateway.endTick();
    }
    // A tick in three steps, so that a driver can act between them.
    void beginTick() { gateway.beginTick(++tick); }
    // As answered, the lines that came are read first, as they would be on
    // arrival; then the poll. Each is followed by the worker's notice and
    // whatever was posted.
    void poll() {
        if (pace == DialoguePace::AsAnswered) {
            for (std::size_t read = SIZE_MAX; port.pendingBytes() > 0 && port.consumedBytes() != read;) {
                read = port.consumedBytes();
                rules.onLinesArrived();
                settle();
            }
        }
        const std::size_t commands = pace == DialoguePace::Tick ? 0 : gateway.commandsUnseen();
        rules.onPollTimer();
        settle();
        require(pace == DialoguePace::Tick || gateway.commandsUnseen() == commands, "a command waited for a tick");
    }
    void endTick() {
        gateway.endTick();
        checkInstalled();
        clock.now += 1000;
    }

    LinkSession session;
    GatewayConfig config;
    IpSettingRecord ip;
    FakePort port;
    RecordingUi ui;
    InlineRunner runner;
    TickClock clock;
    DialoguePace pace;
    DialogueGateway gateway;
    // Nobody watches the window here: the rules' view goes nowhere.
    NullLinkViewSink view;
    ExchangeRules rules{session, config, ip, port, view, ui, ui.hooks(&runner, &clock), pace};
    int tick = 0;

private:
    void require(bool holds, const char* what) const {
        if (!holds) broken_(what);
    }

    void settle() {
        while (rules.workerBusy()) {
            if (!ui.runPosted(std::chrono::milliseconds(0))) {
                broken_("a worker never ended");
                return;
            }
        }
        ui.runAllPosted();
    }

    // A load installs the gateway's block or nothing.
    void checkInstalled() const {
        static const GatewayConfig whole = [] {
            GatewayConfig c;
            const std::vector<uint8_t> b = modelParameterBlock();
            decodeParameterBlock(std::span(b).first(16), std::span(b).subspan(16), c);
            return c;
        }();
        const char* what = "a configuration other than the gateway's was installed";
        require(config.moduleCount == 0 || config.moduleCount == whole.moduleCount, what);
        for (std::size_t k = 0; k < config.moduleCount; ++k)
            require(config.modules[k].deviceId == whole.modules[k].deviceId &&
                        config.modules[k].dataLength == whole.modules[k].dataLength,
                    what);
        // The last safe-value block read whole, and nothing else.
        require(session.safeValueBytes.empty() || session.safeValueBytes == modelSafeValues(),
                "safe values other than the gateway's were kept");
        // A reply that broke off may leave its count with fewer names; none from a line.
        for (const std::string& name : session.firmwareFileNames)
            require(name.empty() || name == "3420V10.bin", "a file name other than the gateway's was kept");
    }
};

}  // namespace norvik::test
