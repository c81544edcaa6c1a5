#pragma once
// The gateway's texts (model, file names, firmware names) are 8-bit Latin-1;
// terminals, JSON, CSV and PDF want UTF-8.

#include <string>
#include <string_view>

namespace norvik {

// A text the gateway sent as UTF-8. Control bytes become U+FFFD: a gateway
// text must not break a table, a file or a terminal (an escape sequence in a
// file name would otherwise reach the user's terminal as it is).
std::string gatewayTextToUtf8(std::string_view text);

}  // namespace norvik
