#include "safevalue/safe_value.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "model/atomic_file.h"

namespace norvik {

namespace {

struct Offsets {
    std::size_t di, do_, ai, ao;
};

Offsets offsetsFor(uint32_t n) { return {0, n, 2u * n, 3u * n}; }

void encodeBits(const std::vector<SafeBit>& bits, uint32_t n, uint8_t* out) {
    for (std::size_t k = 0; k < n; ++k) {
        uint8_t value = 0;
        for (std::size_t i = 0; i < 8; ++i) {
            const std::size_t b = 8 * k + i;
            if (bits[b] == SafeBit::High) value |= static_cast<uint8_t>(1u << i);
        }
        out[k] = value;
    }
}

bool encodeWords(const std::vector<SafeWord>& words, uint32_t n, uint8_t* out) {
    for (std::size_t w = 0; w < n / 2; ++w) {
        if (!words[w]) return false;
        out[2 * w] = static_cast<uint8_t>(*words[w]);
        out[2 * w + 1] = static_cast<uint8_t>(*words[w] >> 8);
    }
    return true;
}

void decodeBits(const uint8_t* in, uint32_t n, std::vector<SafeBit>& bits) {
    bits.assign(8u * n, SafeBit::Low);
    for (std::size_t b = 0; b < bits.size(); ++b) {
        if ((in[b / 8] >> (b % 8)) & 1u) bits[b] = SafeBit::High;
    }
}

void decodeWords(const uint8_t* in, uint32_t n, std::vector<SafeWord>& words) {
    words.assign(n / 2, SafeWord{});
    for (std::size_t w = 0; w < words.size(); ++w) {
        words[w] = static_cast<uint16_t>(in[2 * w] + 256u * in[2 * w + 1]);
    }
}

}  // namespace

SafeValueTable resetSafeValueTable(SafeValueLayout layout, bool withDefaults) {
    const uint32_t n = safeValueAreaBytes(layout);
    const SafeBit bit = withDefaults ? SafeBit::High : SafeBit::Unset;
    const SafeWord word = withDefaults ? SafeWord{0xFFFF} : SafeWord{};
    SafeValueTable table;
    table.do_.assign(8u * n, bit);
    table.di.assign(8u * n, bit);
    table.ao.assign(n / 2, word);
    table.ai.assign(n / 2, word);
    return table;
}

void setAllBits(SafeValueTable& table, DigitalArea area, SafeBit state) {
    auto& bits = area == DigitalArea::Do ? table.do_ : table.di;
    std::fill(bits.begin(), bits.end(), state);
}

void setAllWords(SafeValueTable& table, AnalogArea area, uint16_t value) {
    auto& words = area == AnalogArea::Ao ? table.ao : table.ai;
    std::fill(words.begin(), words.end(), SafeWord{value});
}

bool tableFitsLayout(const SafeValueTable& table, SafeValueLayout layout) {
    const uint32_t n = safeValueAreaBytes(layout);
    return table.do_.size() == 8u * n && table.di.size() == 8u * n && table.ao.size() == n / 2 &&
           table.ai.size() == n / 2;
}

std::optional<SafeValueBlock> encodeSafeValueBlock(const SafeValueTable& table, SafeValueLayout layout) {
    // A table built while the gateway asked for the other block would be cut
    // short or padded, and the gateway would store values nobody chose.
    if (!tableFitsLayout(table, layout)) return std::nullopt;
    const uint32_t n = safeValueAreaBytes(layout);
    const Offsets at = offsetsFor(n);
    SafeValueBlock block(4u * n, 0);
    encodeBits(table.di, n, block.data() + at.di);
    encodeBits(table.do_, n, block.data() + at.do_);
    if (!encodeWords(table.ai, n, block.data() + at.ai)) return std::nullopt;
    if (!encodeWords(table.ao, n, block.data() + at.ao)) return std::nullopt;
    return block;
}

std::optional<SafeValueTable> decodeSafeValueBlock(std::span<const uint8_t> bytes, SafeValueLayout layout) {
    const uint32_t n = safeValueAreaBytes(layout);
    if (bytes.size() < 4u * n) return std::nullopt;
    const Offsets at = offsetsFor(n);
    SafeValueTable table;
    decodeBits(bytes.data() + at.di, n, table.di);
    decodeBits(bytes.data() + at.do_, n, table.do_);
    decodeWords(bytes.data() + at.ai, n, table.ai);
    decodeWords(bytes.data() + at.ao, n, table.ao);
    return table;
}

std::string safeWordText(SafeWord word) {
    if (!word) return {};
    std::array<char, 5> text{};
    std::snprintf(text.data(), text.size(), "%02X%02X", *word >> 8, *word & 0xFFu);
    return text.data();
}

const char* safeBitText(SafeBit bit) {
    switch (bit) {
    case SafeBit::High: return "H";
    case SafeBit::Low: return "L";
    case SafeBit::Unset: break;
    }
    return "";
}

SafeValueFileResult saveSafeValueFile(const std::string& path, const SafeValueTable& table, SafeValueLayout layout) {
    // Encoded before the file is touched: a table that cannot be encoded must
    // not cost the user the file they chose to replace.
    const std::optional<SafeValueBlock> block = encodeSafeValueBlock(table, layout);
    if (!block) return SafeValueFileResult::EncodeError;
    return writeFileAtomically(path, *block) ? SafeValueFileResult::Ok : SafeValueFileResult::CannotCreate;
}

SafeValueFileResult loadSafeValueFile(const std::string& path, SafeValueLayout layout, SafeValueTable& table) {
    const std::size_t size = safeValueBlockBytes(layout);
    const std::optional<std::vector<uint8_t>> bytes = readRegularFile(path, size);
    if (!bytes) return SafeValueFileResult::CannotOpen;
    if (bytes->size() != size) return SafeValueFileResult::TooShort;
    table = *decodeSafeValueBlock(*bytes, layout);
    return SafeValueFileResult::Ok;
}

}  // namespace norvik
