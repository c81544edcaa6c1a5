#include "link/gateway_jobs.h"

namespace norvik {

const char* jobKindName(JobKind kind) {
    switch (kind) {
    case JobKind::ReadParameters: return "read-parameters";
    case JobKind::ReadFileNames: return "read-file-names";
    case JobKind::ReadSafeValues: return "read-safe-values";
    case JobKind::SendSafeValues: return "send-safe-values";
    case JobKind::ReadIpSetting: return "read-ip-setting";
    case JobKind::SendIpSetting: return "send-ip-setting";
    }
    return "?";
}

const char* jobOutcomeName(JobOutcome outcome) {
    switch (outcome) {
    case JobOutcome::Done: return "done";
    case JobOutcome::GatewayError: return "gateway-error";
    case JobOutcome::BlockIncomplete: return "block-incomplete";
    case JobOutcome::NoAnswer: return "no-answer";
    case JobOutcome::LinkLost: return "link-lost";
    case JobOutcome::Cancelled: return "cancelled";
    case JobOutcome::Refused: return "refused";
    }
    return "?";
}

std::optional<IllegalIpAddress> sendRefusal(const Job& job) {
    if (job.kind != JobKind::SendIpSetting) return std::nullopt;
    return firstIllegalIpAddress(job.ipSetting);
}

}  // namespace norvik
