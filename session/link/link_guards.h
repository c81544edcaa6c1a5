#pragma once
// Whether a command that needs the gateway may run now. The menu, the Gateway
// menu and the settings dialogs ask the same questions in the same order, so
// the rule and its wording live here once.

#include <cstdint>
#include <optional>

#include "link/link_session.h"

namespace norvik {

namespace guard {
inline constexpr const char* kNotConnected = "Error ! Device is not connected yet.";
inline constexpr const char* kLoading = "Error ! It is loading parameter now. Please wait.";
inline constexpr const char* kNoParameter = "Error ! It is not loaded parameter yet. Please wait.";
inline constexpr const char* kNoFirmware = "Error ! It is not loaded firmware version yet. Please wait.";
inline constexpr const char* kOnlyHx3420 = "Error ! This function is only supported HX-3420.";
}  // namespace guard

// Why a command that needs the gateway may not run now.
enum class LinkRefusal : uint8_t { Loading, NotConnected, NoParameter, NoFirmware };

// A link to the module with its parameters loaded, or why not.
inline std::optional<LinkRefusal> linkRefusal(const LinkSession& session) {
    if (session.linkState == LinkState::LoadingParameters) return LinkRefusal::Loading;
    if (session.linkState != LinkState::Connected) return LinkRefusal::NotConnected;
    if (!session.parameterLoaded) return LinkRefusal::NoParameter;
    return std::nullopt;
}

// The safe-value menu entries also wait for the first file-name query, which
// decides the size of the block.
inline std::optional<LinkRefusal> safeValueRefusal(const LinkSession& session) {
    if (const std::optional<LinkRefusal> refused = linkRefusal(session)) return refused;
    if (session.firmwareAutoQuery) return LinkRefusal::NoFirmware;
    return std::nullopt;
}

inline const char* refusalText(LinkRefusal refusal) {
    switch (refusal) {
    case LinkRefusal::Loading: return guard::kLoading;
    case LinkRefusal::NotConnected: return guard::kNotConnected;
    case LinkRefusal::NoParameter: return guard::kNoParameter;
    case LinkRefusal::NoFirmware: return guard::kNoFirmware;
    }
    return guard::kNotConnected;
}

// The message to show, or nullptr to go on.
inline const char* linkGuardMessage(const LinkSession& session) {
    const std::optional<LinkRefusal> refused = linkRefusal(session);
    return refused ? refusalText(*refused) : nullptr;
}

inline const char* safeValueOpenGuardMessage(const LinkSession& session) {
    const std::optional<LinkRefusal> refused = safeValueRefusal(session);
    return refused ? refusalText(*refused) : nullptr;
}

}  // namespace norvik
