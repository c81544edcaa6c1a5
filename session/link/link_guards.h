#pragma once
// Whether a command that needs the gateway may run now. The menu and the
// settings dialogs ask the same questions in the same order, so the answer and
// its wording live here once; each is the message to show, or nullptr to go on.

#include "link/link_session.h"

namespace norvik {

namespace guard {
inline constexpr const char* kNotConnected = "Error ! Device is not connected yet.";
inline constexpr const char* kLoading = "Error ! It is loading parameter now. Please wait.";
inline constexpr const char* kNoParameter = "Error ! It is not loaded parameter yet. Please wait.";
inline constexpr const char* kNoFirmware = "Error ! It is not loaded firmware version yet. Please wait.";
inline constexpr const char* kOnlyHx3420 = "Error ! This function is only supported HX-3420.";
}  // namespace guard

// A link to the module with its parameters loaded.
inline const char* linkGuardMessage(const LinkSession& session) {
    if (session.linkState == LinkState::LoadingParameters) return guard::kLoading;
    if (session.linkState != LinkState::Connected) return guard::kNotConnected;
    if (!session.parameterLoaded) return guard::kNoParameter;
    return nullptr;
}

// The safe-value menu entries also wait for the first file-name query, which
// decides the size of the block.
inline const char* safeValueOpenGuardMessage(const LinkSession& session) {
    if (const char* refused = linkGuardMessage(session)) return refused;
    if (session.firmwareAutoQuery) return guard::kNoFirmware;
    return nullptr;
}

}  // namespace norvik
