#pragma once
// Base64 (RFC 4648, the standard alphabet, with padding) for the blocks a
// backup file carries as JSON text.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace norvik {

std::string encodeBase64(std::span<const uint8_t> bytes);

// Nothing for any text that encodeBase64 cannot have written: a character
// outside the alphabet, a length that is no multiple of four, padding
// anywhere but at the end, or padding bits that are not zero. A backup is
// written by Norvik, so leniency would only let a damaged file through.
std::optional<std::vector<uint8_t>> decodeBase64(std::string_view text);

}  // namespace norvik
