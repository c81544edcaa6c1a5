#pragma once
// The checks a command makes before it asks anything of the gateway: the
// main window's menu commands and the settings dialogs' "Save to Device".

#include "link/link_session.h"

namespace norvik {

inline constexpr const char* kGuardNotConnected = "Error ! Device is not connected yet.";
inline constexpr const char* kGuardLoading = "Error ! It is loading parameter now. Please wait.";
inline constexpr const char* kGuardNoParameter = "Error ! It is not loaded parameter yet. Please wait.";
inline constexpr const char* kGuardOnlyHx3420 = "Error ! This function is only supported HX-3420.";

// The message of the first link check that fails, or nullptr when the link is
// up and the parameter block is in.
inline const char* linkGuardRefusal(const LinkSession& session) {
    if (session.linkState == LinkState::LoadingParameters) return kGuardLoading;
    if (session.linkState != LinkState::Connected) return kGuardNotConnected;
    if (!session.parameterLoaded) return kGuardNoParameter;
    return nullptr;
}

}  // namespace norvik
