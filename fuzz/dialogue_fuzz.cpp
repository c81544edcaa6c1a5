// The console dialogue against a gateway whose every reply may come on time,
// a tick or two late, doubled, not at all, garbled or cut short, as the
// fuzzer's bytes choose; the dialogs' requests come at moments the bytes choose
// too, as jobs. What the gateway receives is checked, tick by tick:
//  - no command starts an exchange while the last one is under way: before
//    the gateway's last line of it has been read, the dialogue must have heard
//    no line of it for its whole time-out (a connect reply queued behind
//    another is no reason to ask again);
//  - no byte of a command reaches the gateway while it receives a block;
//  - a block the gateway asked for comes whole, followed by "transmit_end".

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ipsetting/ip_setting.h"
#include "link/console_dialogue.h"
#include "link/console_texts.h"
#include "link/dialogue_hooks.h"
#include "link/gateway_jobs.h"
#include "link/link_session.h"
#include "model/gateway_config.h"
#include "model/parameter_block.h"
#include "support/fake_port.h"
#include "support/recording_ui.h"

namespace {

namespace c = norvik::console;
using norvik::ConsoleDialogue;

void require(bool holds) {
    if (!holds) std::abort();
}

class Bytes {
public:
    Bytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return size_ == 0; }
    uint8_t next() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }

private:
    const uint8_t* data_;
    std::size_t size_;
};

class TickClock final : public norvik::Clock {
public:
    uint64_t nowMs() const override { return now; }
    uint64_t now = 0;
};

// A gateway is slow in whole ticks here: the dialogue reads once a tick.
constexpr int kMaxLateTicks = 2;
// How long the gateway waits for a block it asked for: less than the dialogue
// gives an exchange, as a real gateway's three seconds are.
constexpr int kBlockTimeoutTicks = 4;
static_assert(kBlockTimeoutTicks < ConsoleDialogue::kExchangeTimeoutTicks);
constexpr int kMaxTicks = 300;

std::vector<uint8_t> parameterBlock() {
    std::vector<uint8_t> b = {'K', '5', 0, 0, 0, 0, 7, 0x00, 0x64, 0x03, 0xE8, 2, 1, 0, 0, 0};
    const std::array<std::array<uint8_t, 12>, 3> records{{{0xFF, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0},
                                                          {3, 0, 0, 0, 0, 2, 3, 0, 10, 0, 0, 0},
                                                          {4, 2, 2, 0, 0x10, 4, 0, 0, 20, 1, 1, 0}}};
    for (const auto& r : records) b.insert(b.end(), r.begin(), r.end());
    return b;
}

std::vector<uint8_t> fileNameReply() {
    const std::string s = std::string("File_NO=\x01", 9) + "File_Name=3420V10.bin";
    return {s.begin(), s.end()};
}

class Gateway {
public:
    Gateway(Bytes& fate, norvik::test::FakePort& port) : fate_(fate), port_(port) {}

    // Start of a tick: what is due goes on the wire, a block wait may run out.
    void beginTick(int tick) {
        tick_ = tick;
        if (receiving_ && tick_ >= receiveStart_ + kBlockTimeoutTicks) {
            receiving_.reset();
            emit(exchange_, {receiveError_, false}, true);
        }
        while (!outbox_.empty() && outbox_.front().due <= tick_) {
            Piece p = std::move(outbox_.front());
            outbox_.pop_front();
            const std::size_t start = queued_;
            queued_ += p.bytes.size();
            port_.queueBytes(p.bytes);
            if (p.heard) delivered_.push_back({start, queued_, p.exchange});
            if (p.exchange >= 0 && p.last) exchanges_[static_cast<std::size_t>(p.exchange)].lastEnd = queued_;
        }
    }

    // End of a tick: what the dialogue has read counts as progress of its
    // exchange; then everything it sent is taken in order.
    void endTick() {
        const std::size_t consumed = port_.consumedBytes();
        while (!delivered_.empty() && delivered_.front().end <= consumed) {
            exchanges_[static_cast<std::size_t>(delivered_.front().exchange)].lastProgress = tick_;
            delivered_.pop_front();
        }
        const auto sent = port_.sentSince(seen_);
        seen_ += sent.size();
        for (const auto& s : sent) take(s);
    }

private:
    struct Piece {
        int due = 0;
        std::string bytes;
        int exchange = -1;   // the exchange it belongs to, -1 for connect replies
        bool last = false;   // the gateway's last line of it
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
    struct Text {
        std::string bytes;
        bool isBlock;
    };

    void take(const norvik::test::FakePort::Sent& s) {
        if (receiving_ && receiving_->got.size() < receiving_->size) {
            // A command's bytes inside a block the gateway waits for.
            require(s.isBlock);
            receiving_->got.insert(receiving_->got.end(), s.bytes.begin(), s.bytes.end());
            require(receiving_->got.size() == receiving_->size);
            // The block stored is the one the dialog asked to send.
            if (receiving_->size == 512)
                require(
                    std::all_of(receiving_->got.begin(), receiving_->got.end(), [](uint8_t b) { return b == 0x33; }));
            return;
        }
        if (s.isBlock) return;  // a block nobody waits for: console noise
        if (receiving_) {
            // The block came whole; only "transmit_end" may follow it.
            require(s.line == c::kTransmitEnd);
            receiving_.reset();
            const uint8_t verdict = fate_.next() % 3;
            emit(exchange_, {verdict == 0 ? receiveError_ : verdict == 1 ? saveError_ : finished_, false}, true);
            return;
        }
        onLine(s.line, s.consumedBefore);
    }

    void onLine(const std::string& line, std::size_t consumedBefore) {
        if (line == c::kPrompt) {
            const uint8_t how = fate_.next();
            std::vector<Text> answer{{how % 16 == 15 ? c::kReplyDisconnect : c::kReplyConnect, false}};
            if (how % 4 == 1) answer.push_back({c::kReplyConnect, false});
            for (const Text& t : answer) emit(-1, t, false);
            return;
        }
        const std::string_view l = line;
        const bool command = l == c::kLoadParameter || l == c::kLoadFileName || l == c::kSendSafeValue ||
                             l == c::kLoadSafeValue || l == c::kSendIpSetting || l == c::kLoadIpSetting;
        if (!command) return;
        checkNotSentAgain(consumedBefore);
        exchanges_.push_back({std::nullopt, tick_});
        exchange_ = static_cast<int>(exchanges_.size()) - 1;
        if (fate_.next() % 8 == 7) return;  // the gateway missed it
        if (l == c::kLoadParameter) {
            load(c::kReplyParameter, parameterBlock(), c::kReplyParameterFinish);
        } else if (l == c::kLoadFileName) {
            load(c::kReplyFileName, fileNameReply(), c::kReplyFileNameFinish);
        } else if (l == c::kLoadSafeValue) {
            load(c::kReplySafeValue, std::vector<uint8_t>(512, 0x5A), c::kReplySafeValueFinish);
        } else if (l == c::kLoadIpSetting) {
            load(c::kReplyIpSetting, std::vector<uint8_t>(76, 0xC0), c::kReplyIpSettingFinish);
        } else if (l == c::kSendSafeValue) {
            askForBlock(c::kReplyReceiveSafeValue, 512, c::kReplyReceiveSafeValueError, c::kReplySaveSafeValueError,
                        c::kReplySafeValueSent);
        } else {
            askForBlock(c::kReplyReceiveIpSetting, 76, c::kReplyReceiveIpSettingError, c::kReplySaveIpSettingError,
                        c::kReplyIpSettingSent);
        }
    }

    void checkNotSentAgain(std::size_t consumedBefore) const {
        if (exchange_ < 0) return;
        const Exchange& last = exchanges_[static_cast<std::size_t>(exchange_)];
        const bool read = last.lastEnd && consumedBefore >= *last.lastEnd;
        const bool givenUp = tick_ - last.lastProgress >= ConsoleDialogue::kExchangeTimeoutTicks;
        require(read || givenUp);
    }

    void load(const char* announce, std::vector<uint8_t> block, const char* finish) {
        const uint8_t cut = fate_.next() % 8;
        if (cut == 0) block.resize(fate_.next() % block.size());  // short
        // Short by less than its finish line, whose head then follows in its place.
        if (cut == 1) block.resize(block.size() - std::min<std::size_t>(block.size(), 1 + fate_.next() % 30));
        emit(exchange_, {announce, false}, false);
        emit(exchange_, {std::string(block.begin(), block.end()), true}, false);
        emit(exchange_, {finish, false}, true);
    }

    void askForBlock(const char* announce, std::size_t size, const char* receiveError, const char* saveError,
                     const char* finished) {
        receiveError_ = receiveError;
        saveError_ = saveError;
        finished_ = finished;
        // The gateway waits from now on, whether or not its line arrives.
        receiving_ = Receiving{size, {}};
        receiveStart_ = tick_;
        emit(exchange_, {announce, false}, false);
    }

    // One piece of an answer, on time, late, dropped or garbled; lines never
    // overtake each other. Only an intact line counts as heard of its exchange;
    // a garbled last line still ends it, once read.
    void emit(int exchange, Text text, bool last) {
        const uint8_t fate = fate_.next() % 16;
        if (fate == 14) return;
        std::string bytes = text.bytes;
        bool intactLine = !text.isBlock;
        if (fate == 15 && !text.isBlock && !bytes.empty()) {
            bytes[fate_.next() % bytes.size()] = '#';
            intactLine = false;
        }
        if (!text.isBlock) bytes += "\r\n";
        const int late = fate >= 12 ? fate - 11 : 0;
        due_ = std::max(due_, tick_ + 1 + std::min(late, kMaxLateTicks));
        outbox_.push_back({due_, std::move(bytes), exchange, last, intactLine && exchange >= 0});
    }

    struct Receiving {
        std::size_t size = 0;
        std::vector<uint8_t> got;
    };

    Bytes& fate_;
    norvik::test::FakePort& port_;
    int tick_ = 0;
    int due_ = 0;
    std::deque<Piece> outbox_;
    std::deque<Delivered> delivered_;
    std::size_t queued_ = 0;
    std::size_t seen_ = 0;
    std::vector<Exchange> exchanges_;
    int exchange_ = -1;
    std::optional<Receiving> receiving_;
    int receiveStart_ = 0;
    const char* receiveError_ = "";
    const char* saveError_ = "";
    const char* finished_ = "";
};

// Nothing shown or installed was made up from console lines: a load installs
// the gateway's block or nothing.
void checkInstalled(const norvik::LinkSession& s, const norvik::GatewayConfig& config) {
    static const norvik::GatewayConfig whole = [] {
        norvik::GatewayConfig c;
        const std::vector<uint8_t> b = parameterBlock();
        norvik::decodeParameterBlock(std::span(b).first(16), std::span(b).subspan(16), c);
        return c;
    }();
    require(config.moduleCount == 0 || config.moduleCount == whole.moduleCount);
    for (std::size_t k = 0; k < config.moduleCount; ++k)
        require(config.modules[k].deviceId == whole.modules[k].deviceId &&
                config.modules[k].dataLength == whole.modules[k].dataLength);
    // The last safe-value block read whole, and nothing else.
    if (!s.safeValueBytes.empty()) {
        require(s.safeValueBytes.size() == 512);
        require(std::all_of(s.safeValueBytes.begin(), s.safeValueBytes.end(), [](uint8_t b) { return b == 0x5A; }));
    }
    // A reply that broke off may leave its count with fewer names; none from a line.
    for (const std::string& name : s.firmwareFileNames) require(name.empty() || name == "3420V10.bin");
}

// What the dialogs and the menu ask for between ticks: a job of a kind not
// already under way, as each dialog has one at a time.
class Requests {
public:
    explicit Requests(norvik::GatewayJobs& jobs) : jobs_(jobs) {}

    void request(uint8_t what) {
        using norvik::Job;
        using norvik::JobKind;
        switch (what % 16) {
        case 0: ask(Job::sendSafeValues(std::vector<uint8_t>(512, 0x33))); break;
        case 1: ask(Job::read(JobKind::ReadSafeValues)); break;
        case 2: {
            norvik::IpSettingRecord record;
            norvik::setDefaultIpSetting(record);
            ask(Job::sendIpSetting(record));
            break;
        }
        case 3: ask(Job::read(JobKind::ReadIpSetting)); break;
        case 4: ask(Job::read(JobKind::ReadFileNames)); break;
        default: break;
        }
    }

private:
    void ask(norvik::Job job) {
        const auto slot = static_cast<std::size_t>(job.kind);
        if (outstanding_[slot]) return;
        outstanding_[slot] = true;
        jobs_.submit(std::move(job), [this, slot](const norvik::JobResult&) {
            // Each job ends once.
            require(outstanding_[slot]);
            outstanding_[slot] = false;
        });
    }

    norvik::GatewayJobs& jobs_;
    std::array<bool, 6> outstanding_{};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    norvik::LinkSession session;
    norvik::GatewayConfig config;
    norvik::IpSettingRecord ip;
    norvik::test::FakePort port;
    norvik::test::RecordingUi ui;
    Gateway gateway(input, port);
    // One thread, on the test's clock: the receivers run inline (the fake port
    // never waits for real time) and a tick is a second of the clock.
    norvik::InlineRunner runner;
    TickClock clock;
    ConsoleDialogue dialogue(session, config, ip, port, ui, ui.hooks(&runner, &clock));
    Requests requests(dialogue);

    dialogue.connect(norvik::PortSettings{});
    gateway.endTick();
    for (int tick = 1; tick <= kMaxTicks && !input.empty(); ++tick) {
        gateway.beginTick(tick);
        requests.request(input.next());
        dialogue.onPollTimer();
        while (dialogue.workerBusy()) require(ui.runPosted(std::chrono::milliseconds(0)));
        ui.runAllPosted();
        gateway.endTick();
        checkInstalled(session, config);
        clock.now += 1000;
    }
    return 0;
}
