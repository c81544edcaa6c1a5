#pragma once
// Blocks as the gateway sends them, for tests that play the gateway.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace norvik::test {

// A parameter block: header for `records` records, model byte, then the records.
inline std::vector<uint8_t> parameterBlock(char model, const std::vector<std::array<uint8_t, 12>>& records) {
    std::vector<uint8_t> b = {'K',  static_cast<uint8_t>(model),
                              0,    0,
                              0,    0,
                              7,    0x00,
                              0x64, 0x03,
                              0xE8, static_cast<uint8_t>(records.size() - 1),
                              2,    0,
                              0,    0};
    for (const auto& r : records) b.insert(b.end(), r.begin(), r.end());
    return b;
}

inline const std::array<uint8_t, 12> kSystemModuleAt1 = {0xFF, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
inline const std::array<uint8_t, 12> kWdoModule = {3, 0, 0, 0, 0, 2, 3, 0, 10, 0, 0, 0};
inline const std::array<uint8_t, 12> kWaoModule = {4, 2, 2, 0, 0x10, 4, 0, 0, 20, 1, 1, 0};

inline std::vector<uint8_t> fileNameReply(const std::vector<std::string>& names) {
    std::string s = "File_NO=";
    s.push_back(static_cast<char>(names.size()));
    for (const auto& n : names) s += "File_Name=" + n;
    return {s.begin(), s.end()};
}

}  // namespace norvik::test
