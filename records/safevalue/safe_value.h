#pragma once
// The safe-value table, its block (also the whole safe-value *.ptm file) and
// the file itself. Every operation takes the layout it works under
// (512 or 976 bytes) from the caller at the moment it runs.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "safevalue/safe_value_layout.h"

namespace norvik {

enum class SafeBit : uint8_t { Unset = 0, Low = 1, High = 2 };

using SafeWord = std::optional<uint16_t>;  // empty = Unset

// `do` is a keyword, hence the trailing underscore on that one area.
struct SafeValueTable {
    std::vector<SafeBit> do_;  // 8 N bits
    std::vector<SafeBit> di;   // 8 N bits
    std::vector<SafeWord> ao;  // N / 2 words
    std::vector<SafeWord> ai;  // N / 2 words
    bool operator==(const SafeValueTable&) const = default;
};

using SafeValueBlock = std::vector<uint8_t>;

enum class DigitalArea : uint8_t { Do, Di };
enum class AnalogArea : uint8_t { Ao, Ai };

// N: bytes of one area under a layout (128 or 244).
inline constexpr uint32_t safeValueAreaBytes(SafeValueLayout layout) { return safeValueBlockBytes(layout) / 4; }

// With defaults every bit is High and every word 0xFFFF; without, all Unset.
SafeValueTable resetSafeValueTable(SafeValueLayout layout, bool withDefaults);
void setAllBits(SafeValueTable& table, DigitalArea area, SafeBit state);
void setAllWords(SafeValueTable& table, AnalogArea area, uint16_t value);

// Whether the table has exactly the sizes of this layout.
bool tableFitsLayout(const SafeValueTable& table, SafeValueLayout layout);

// Empty (the EncodeError) when a word of AO or AI is Unset or the table was
// built for the other layout; Unset bits encode as 0.
std::optional<SafeValueBlock> encodeSafeValueBlock(const SafeValueTable& table, SafeValueLayout layout);
// Uses the first 4 N bytes; empty when fewer are given.
std::optional<SafeValueTable> decodeSafeValueBlock(std::span<const uint8_t> bytes, SafeValueLayout layout);

// A word as the grid shows it: four upper-case hex digits, "" when Unset.
std::string safeWordText(SafeWord word);
// A bit as the grid shows it: "H", "L", "" when Unset.
const char* safeBitText(SafeBit bit);

enum class SafeValueFileResult : uint8_t {
    Ok,
    CannotCreate,  // the file could not be created or written; an old one stays as it was
    CannotOpen,    // the file could not be opened for reading, or is no regular file
    TooShort,      // fewer than 4 N bytes: refused, the table is unchanged
    EncodeError,   // an Unset word: nothing written, an existing file untouched
};

SafeValueFileResult saveSafeValueFile(const std::string& path, const SafeValueTable& table, SafeValueLayout layout);
SafeValueFileResult loadSafeValueFile(const std::string& path, SafeValueLayout layout, SafeValueTable& table);

inline constexpr const char* kSafeValueFileFilter = "Norvik File|*.ptm||";
inline constexpr const char* kSafeValueFileExtension = "ptm";
inline constexpr const char* kSafeValueFileName = "Save_value_setting";

}  // namespace norvik
