#pragma once
// The titles of the boxes that the settings editors still raise themselves.
// The lines of the wire are in serial/console_lines.h; the status texts and
// the dialogue's boxes belong to the window (app/status_texts.h).

#include "serial/console_lines.h"

namespace norvik::console {

inline constexpr const char* kTitleMessage = "Message";
inline constexpr const char* kTitleError = "Error message";

}  // namespace norvik::console
