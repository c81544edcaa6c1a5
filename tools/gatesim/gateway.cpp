#include "gateway.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "gateway_blocks.h"

namespace gatesim {
namespace {

// The console's own texts, kept apart from Norvik's so that a misspelling on
// one side shows up as a failed exchange instead of hiding on both.
constexpr std::string_view kPrompt = "KESTRA--r4460k>";
constexpr std::string_view kConnect = "KESTRA--r4460k> connect";
constexpr std::string_view kDisconnect = "KESTRA--r4460k> disconnect";
constexpr std::string_view kGarbage = "KESTRA--r4460k> c#nn%ct ?";

constexpr std::string_view kLoadParameter = "LOAD--PARAMETER";
constexpr std::string_view kLoadFileName = "LOAD--FILE_NAME";
constexpr std::string_view kSendSafeValue = "SEND_SAFE_VALUE";
constexpr std::string_view kLoadSafeValue = "LOAD_SAFE_VALUE";
constexpr std::string_view kSendIpSetting = "SEND_IP_SETTING";
constexpr std::string_view kLoadIpSetting = "LOAD_IP_SETTING";
constexpr std::string_view kTransmitEnd = "transmit_end";

constexpr std::string_view kSendParameter = "send parameter to com";
constexpr std::string_view kSendParameterFinish = "send parameter to com finish";
constexpr std::string_view kSendFileName = "send file name to com";
constexpr std::string_view kSendFileNameFinish = "send file name to com finish";

constexpr std::string_view kReceiveSafeValue = "receive safe value";
constexpr std::string_view kReceiveSafeValueFinish = "receive_safe_value finish";
constexpr std::string_view kSaveSafeValueError = "save_safe_value error!";
constexpr std::string_view kReceiveSafeValueError = "receive_safe_value error!";
constexpr std::string_view kSendSafeValueToCom = "send safe value to com";
constexpr std::string_view kSendSafeValueToComFinish = "send safe value to com finish";

constexpr std::string_view kReceiveIpSetting = "receive ip setting";
constexpr std::string_view kReceiveIpSettingFinish = "receive_ip_setting finish";
constexpr std::string_view kSaveIpSettingError = "save_ip_setting error!";
constexpr std::string_view kReceiveIpSettingError = "receive_ip_setting error!";
constexpr std::string_view kSendIpSettingToCom = "send ip setting to com";
constexpr std::string_view kSendIpSettingToComFinish = "send ip setting to com finish";

constexpr std::string_view kReadEepromError = "read eeprom error!";

// A sender that never ends its line must not make the simulator grow without bound.
constexpr std::size_t kMaxLineBytes = 64 * 1024;

Piece line(std::string_view text) { return {Piece::Kind::Line, std::string(text)}; }

Piece block(const std::vector<uint8_t>& bytes) { return {Piece::Kind::Block, std::string(bytes.begin(), bytes.end())}; }

// What the console shows when the gateway has just started, ending with its bare prompt.
constexpr std::string_view kBanner[] = {"", "KESTRA boot r4460k", "HX-34x0 PROFIBUS-Modbus gateway", "RAM test ... ok",
                                        "KESTRA--r4460k>"};

std::string noiseText(unsigned k) { return "kestra: status " + std::to_string(k); }

std::string overlongText(std::size_t n) {
    std::string text(n, '0');
    for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>('0' + i % 10);
    return text;
}

}  // namespace

std::string Outgoing::wireBytes() const {
    std::string out;
    for (const auto& p : pieces) {
        out += p.bytes;
        if (p.kind == Piece::Kind::Line) out += "\r\n";
    }
    return out;
}

Gateway::Gateway(GatewayDescription description, FaultSwitches faults, Timing timing, WireLog& log)
    : description_(std::move(description)),
      faults_(std::move(faults)),
      timing_(timing),
      log_(log),
      safeValues_(initialSafeValueBlock(description_)),
      ipSetting_(initialIpBlock(description_)) {
    if (faults_.chaosSeed) {
        chaosRandom_.seed(*faults_.chaosSeed);
        chaosEnd_ = Clock::now() + faults_.chaosFor;
    }
}

void Gateway::receive(std::span<const uint8_t> bytes, Clock::time_point now) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        // A block is raw bytes: any value, "\n" included, belongs to it.
        if (expecting_ && !expecting_->blockComplete) {
            auto take = std::min(bytes.size() - i, expecting_->size - expecting_->got.size());
            expecting_->got.insert(expecting_->got.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(i + take));
            i += take - 1;
            if (expecting_->got.size() == expecting_->size) {
                expecting_->blockComplete = true;
                log_.rxBlock(expecting_->got);
            }
            continue;
        }
        char c = static_cast<char>(bytes[i]);
        if (c != '\n') {
            if (lineBuffer_.size() < kMaxLineBytes) lineBuffer_ += c;
            continue;
        }
        std::string text = std::move(lineBuffer_);
        lineBuffer_.clear();
        if (!text.empty() && text.back() == '\r') text.pop_back();
        onLine(text, now);
    }
}

void Gateway::onLine(std::string_view text, Clock::time_point now) {
    log_.rxLine(text);
    if (faults_.pauseAt && ++linesReceived_ == *faults_.pauseAt) {
        // A gateway busy elsewhere: this answer and every later one wait.
        log_.note("pausing " + std::to_string(faults_.pause.count()) + " ms");
        lastDue_ = std::max(now, lastDue_) + faults_.pause;
    }
    if (expecting_) {
        finishReceive(text, now);
        return;
    }
    switch (drawChaos(now)) {
    case Chaos::Silence: log_.quiet("chaos: silence"); return;
    case Chaos::Garbage:
        enqueue(now, {}, {line(kGarbage)});
        answered();
        return;
    case Chaos::Disconnect:
        enqueue(now, {}, {line(kDisconnect)});
        answered();
        return;
    case Chaos::OverlongLine: enqueue(now, {}, {line(overlongText(1500))}); break;
    case Chaos::ShortBlock: shortenNextBlock_ = true; break;
    case Chaos::NearlyWholeBlock:
        // Short by less than a console line: the block's last bytes would be
        // taken from the line after it.
        nextBlockShortBy_ = 1 + chaosRandom_() % 30;
        break;
    case Chaos::Noise: nextNoiseLines_ = 1 + chaosRandom_() % 4; break;
    case Chaos::None: break;
    }
    if (text == kPrompt) {
        answerPrompt(now);
    } else if (text == kLoadParameter) {
        auto bytes = parameterBlock(description_);
        if (faults_.truncateParameterBlock) bytes.resize(std::min(bytes.size(), *faults_.truncateParameterBlock));
        answerLoad(BlockName::Parameter, kSendParameter, std::move(bytes), kSendParameterFinish, now);
    } else if (text == kLoadFileName) {
        if (faults_.ignoreFileName) {
            log_.quiet("ignoring the file-name query");
            return;
        }
        auto bytes = faults_.badFileNameReply ? malformedFileNameReply(description_) : fileNameReply(description_);
        if (faults_.truncateFileNameReply) bytes.resize(std::min(bytes.size(), *faults_.truncateFileNameReply));
        answerLoad(BlockName::FileNames, kSendFileName, std::move(bytes), kSendFileNameFinish, now);
    } else if (text == kSendSafeValue) {
        answerSend(BlockKind::SafeValues, now);
    } else if (text == kSendIpSetting) {
        answerSend(BlockKind::IpSetting, now);
    } else if (text == kLoadSafeValue) {
        answerLoadStored(BlockKind::SafeValues, now);
    } else if (text == kLoadIpSetting) {
        answerLoadStored(BlockKind::IpSetting, now);
    } else {
        log_.quiet("no answer to this line");
    }
}

Gateway::Chaos Gateway::drawChaos(Clock::time_point now) {
    if (!faults_.chaosSeed || now >= chaosEnd_) return Chaos::None;
    if (chaosRandom_() % 100 >= faults_.chaosPercent) return Chaos::None;
    return static_cast<Chaos>(1 + chaosRandom_() % 7);
}

void Gateway::answerPrompt(Clock::time_point now) {
    if (!mayAnswer()) return;
    std::vector<Piece> pieces;
    if (faults_.overlongLine && !overlongSent_) {
        pieces.push_back(line(overlongText(*faults_.overlongLine)));
        overlongSent_ = true;
    }
    if (faults_.garbage) {
        pieces.push_back(line(kGarbage));
    } else if (faults_.sendDisconnectAfter && !disconnectSent_ && connectReplies_ >= *faults_.sendDisconnectAfter) {
        pieces.push_back(line(kDisconnect));
        disconnectSent_ = true;
    } else {
        pieces.push_back(line(kConnect));
        ++connectReplies_;
        if (faults_.answerTwice && promptsAnswered_ + 1 == *faults_.answerTwice) pieces.push_back(line(kConnect));
    }
    ++promptsAnswered_;
    enqueue(now, {}, std::move(pieces));
    answered();
}

void Gateway::answerLoad(BlockName name, std::string_view announce, std::vector<uint8_t> bytes, std::string_view finish,
                         Clock::time_point now) {
    if (!mayAnswer()) return;
    if (shortenNextBlock_ && !bytes.empty()) {
        bytes.resize(chaosRandom_() % bytes.size());
        shortenNextBlock_ = false;
    }
    if (faults_.shortBlockBy > 0 && (faults_.shortBlockNames.empty() || faults_.shortBlockNames.count(name) != 0))
        bytes.resize(bytes.size() - std::min(faults_.shortBlockBy, bytes.size()));
    if (nextBlockShortBy_ > 0) {
        bytes.resize(bytes.size() - std::min(nextBlockShortBy_, bytes.size()));
        nextBlockShortBy_ = 0;
    }
    std::vector<Piece> first{line(announce)};
    bool late = faults_.lateBlock.count() != 0 &&
                (faults_.lateBlockNames.empty() || faults_.lateBlockNames.count(name) != 0) &&
                (!faults_.lateBlockCount || lateBlocksSent_ < *faults_.lateBlockCount);
    if (!late) {
        first.push_back(block(bytes));
        enqueue(now, {}, std::move(first));
    } else {
        ++lateBlocksSent_;
        enqueue(now, {}, std::move(first));
        enqueue(now, faults_.lateBlock, {block(bytes)});
    }
    enqueue(now, timing_.finishDelay, {line(finish)}, Place::InsideTransfer);
    answered();
}

void Gateway::answerLoadStored(BlockKind kind, Clock::time_point now) {
    if (!mayAnswer()) return;
    bool safe = kind == BlockKind::SafeValues;
    if (faultOn(safe ? ReplyError::ReadSafe : ReplyError::ReadIp)) {
        enqueue(now, {}, {line(kReadEepromError)});
        answered();
        return;
    }
    auto bytes = safe ? safeValues_ : ipSetting_;
    const auto& truncate = safe ? faults_.truncateSafeBlock : faults_.truncateIpBlock;
    if (truncate) bytes.resize(std::min(bytes.size(), *truncate));
    answerLoad(safe ? BlockName::SafeValues : BlockName::IpSetting, safe ? kSendSafeValueToCom : kSendIpSettingToCom,
               std::move(bytes), safe ? kSendSafeValueToComFinish : kSendIpSettingToComFinish, now);
}

void Gateway::answerSend(BlockKind kind, Clock::time_point now) {
    if (!mayAnswer()) return;
    bool safe = kind == BlockKind::SafeValues;
    auto announced = enqueue(now, {}, {line(safe ? kReceiveSafeValue : kReceiveIpSetting)});
    answered();
    std::size_t size = safe ? safeValueBlockSize(description_) : 76;
    expecting_ = Expectation{kind, size, {}, false, announced + timing_.blockTimeout};
    // A half line left over from before the announcement is not the block's.
    lineBuffer_.clear();
}

void Gateway::finishReceive(std::string_view text, Clock::time_point now) {
    Expectation done = std::move(*expecting_);
    expecting_.reset();
    bool safe = done.kind == BlockKind::SafeValues;
    if (text != kTransmitEnd) {
        // Whatever came in place of "transmit_end" means the block was not the
        // one announced (too long, or framed wrongly): nothing is kept.
        log_.note("expected \"transmit_end\" after the block");
        if (!mayAnswer()) return;
        enqueue(now, {}, {line(safe ? kReceiveSafeValueError : kReceiveIpSettingError)});
        answered();
        return;
    }
    std::string_view reply;
    if (faultOn(safe ? ReplyError::ReceiveSafe : ReplyError::ReceiveIp)) {
        reply = safe ? kReceiveSafeValueError : kReceiveIpSettingError;
    } else if (faultOn(safe ? ReplyError::SaveSafe : ReplyError::SaveIp)) {
        reply = safe ? kSaveSafeValueError : kSaveIpSettingError;
    } else {
        log_.stored(safe ? "SAFE_VALUE" : "IP_SETTING", done.got);
        (safe ? safeValues_ : ipSetting_) = std::move(done.got);
        reply = safe ? kReceiveSafeValueFinish : kReceiveIpSettingFinish;
        if (faults_.vanishAfterStoring == (safe ? "safe" : "ip")) {
            // A power cut between the store and its reply.
            log_.note("vanished after storing");
            std::fflush(nullptr);
            std::_Exit(0);
        }
    }
    if (!mayAnswer()) return;
    enqueue(now, {}, {line(reply)});
    answered();
}

void Gateway::failReceive(Clock::time_point now) {
    Expectation done = std::move(*expecting_);
    expecting_.reset();
    if (!done.blockComplete) log_.rxBlock(done.got);
    log_.note(done.blockComplete ? "no \"transmit_end\" in time" : "the block did not arrive in full in time");
    lineBuffer_.clear();
    if (!mayAnswer()) return;
    enqueue(now, {}, {line(done.kind == BlockKind::SafeValues ? kReceiveSafeValueError : kReceiveIpSettingError)});
    answered();
}

void Gateway::expire(Clock::time_point now) {
    if (expecting_ && now >= expecting_->deadline) failReceive(now);
}

bool Gateway::mayAnswer() const {
    if (faults_.silentAfter && replies_ >= *faults_.silentAfter) {
        log_.quiet("silent");
        return false;
    }
    return true;
}

Clock::time_point Gateway::enqueue(Clock::time_point now, std::chrono::milliseconds delay, std::vector<Piece> pieces,
                                   Place place) {
    // Answers never overtake each other: a delayed "finish" holds back what follows it.
    lastDue_ = std::max(now, lastDue_) + delay;
    std::erase_if(pieces, [](const Piece& p) { return p.kind == Piece::Kind::Block && p.bytes.empty(); });
    // Chatter goes ahead of lines only: between an announcement and its block
    // it would be block bytes.
    if (!pieces.empty() && pieces.front().kind == Piece::Kind::Line) {
        std::vector<Piece> said = chatter(place);
        pieces.insert(pieces.begin(), std::make_move_iterator(said.begin()), std::make_move_iterator(said.end()));
    }
    if (!pieces.empty()) outbox_.push_back({lastDue_, std::move(pieces)});
    return lastDue_;
}

std::vector<Piece> Gateway::chatter(Place place) {
    std::vector<Piece> said;
    const bool inside = place == Place::InsideTransfer;
    if (!inside && faults_.banner && !bannerSent_) {
        for (std::string_view text : kBanner) said.push_back(line(text));
        bannerSent_ = true;
    }
    if (inside == faults_.strayInsideTransfer) {
        for (unsigned k = 1; k <= faults_.noiseLines; ++k) said.push_back(line(noiseText(k)));
        for (unsigned k = 0; k < faults_.blankLines; ++k) said.push_back(line(""));
    }
    if (inside) return said;
    // Chaos mixes both kinds.
    for (unsigned k = 1; k <= nextNoiseLines_; ++k) said.push_back(line(k % 2 == 0 ? std::string() : noiseText(k)));
    nextNoiseLines_ = 0;
    return said;
}

bool Gateway::hasDue(Clock::time_point now) const { return !outbox_.empty() && outbox_.front().due <= now; }

Outgoing Gateway::popDue() {
    Outgoing out = std::move(outbox_.front());
    outbox_.pop_front();
    return out;
}

std::optional<Clock::time_point> Gateway::nextDeadline() const {
    std::optional<Clock::time_point> next;
    if (!outbox_.empty()) next = outbox_.front().due;
    if (expecting_ && (!next || expecting_->deadline < *next)) next = expecting_->deadline;
    return next;
}

}  // namespace gatesim
