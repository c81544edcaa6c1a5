#include "link/send_blocks.h"

#include <string>

#include "safevalue/safe_value_layout.h"
#include "serial/console_lines.h"

namespace norvik {

namespace c = console;

namespace {

// Lines Disconnect reads, at most, looking for a send's acknowledgement.
constexpr int kMaxLinesLookedAtOnClose = 8;

}  // namespace

void SendBlocks::take(Exchange send, const Job& job) {
    if (send == Exchange::SendSafeValue) safeValues_ = job.safeValues;
    if (send == Exchange::SendIpSetting) ipSetting_ = job.ipSetting;
}

bool SendBlocks::send(Exchange send) {
    if (send == Exchange::SendSafeValue) {
        const uint32_t n = safeValueBlockBytes(session_.safeValueLayout);
        if (safeValues_.size() != n) {
            // The block on hand does not fit the gateway's layout: sending a part
            // of it, or bytes beyond it, would store wrong safe values.
            view_.setOperation(Operation::SendSafeValueError);
            return false;
        }
        view_.setOperation(Operation::SendSafeValue);
        port_.sendBlock(session_.portNumber, safeValues_);
    } else {
        const IpSettingBlock block = encodeIpSettingBlock(ipSetting_);
        view_.setOperation(Operation::SendIpSetting);
        port_.sendBlock(session_.portNumber, block);
    }
    return true;
}

bool SendBlocks::askedAmongNextLines(Exchange send) {
    const char* ack = send == Exchange::SendSafeValue ? c::kReplyReceiveSafeValue : c::kReplyReceiveIpSetting;
    std::string line;
    for (int i = 0; i < kMaxLinesLookedAtOnClose; ++i) {
        if (!port_.takeLine(session_.portNumber, blockTimeout(session_.baud, kLineTimeoutBytes), line)) break;
        if (line == ack) return true;
    }
    return false;
}

// At 115200 baud the largest block takes 85 ms.
void SendBlocks::drain(Exchange send) {
    const uint32_t blockBytes = send == Exchange::SendSafeValue ? safeValueBlockBytes(session_.safeValueLayout)
                                                                : static_cast<uint32_t>(kIpSettingBlockBytes);
    port_.drainOutput(session_.portNumber, blockTimeout(session_.baud, blockBytes + kLineTimeoutBytes));
}

const SendBlocks::Verdict* SendBlocks::verdictOf(std::string_view line) {
    using enum Operation;
    static constexpr Verdict kVerdicts[] = {
        {c::kReplySafeValueSent, SafeValueSent, Exchange::SendSafeValue, JobOutcome::Done, GatewayError::None},
        {c::kReplySaveSafeValueError, SaveSafeValueError, Exchange::SendSafeValue, JobOutcome::GatewayError,
         GatewayError::SaveFailed},
        {c::kReplyReceiveSafeValueError, SendSafeValueError, Exchange::SendSafeValue, JobOutcome::GatewayError,
         GatewayError::ReceiveFailed},
        {c::kReplyIpSettingSent, IpSettingSent, Exchange::SendIpSetting, JobOutcome::Done, GatewayError::None},
        {c::kReplySaveIpSettingError, SaveIpSettingError, Exchange::SendIpSetting, JobOutcome::GatewayError,
         GatewayError::SaveFailed},
        {c::kReplyReceiveIpSettingError, SendIpSettingError, Exchange::SendIpSetting, JobOutcome::GatewayError,
         GatewayError::ReceiveFailed},
    };
    for (const Verdict& v : kVerdicts) {
        if (line == v.reply) return &v;
    }
    return nullptr;
}

}  // namespace norvik
