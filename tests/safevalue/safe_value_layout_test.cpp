#include "safevalue/safe_value_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace norvik {
namespace {

TEST(ChooseSafeValueLayout, firmwareNamesDecideForTheHx3420Only) {
    struct Case {
        const char* name;
        const char* model;
        std::map<std::size_t, std::string> slots;
        SafeValueLayout current;
        SafeValueLayout chosen;
    };
    constexpr SafeValueLayout k512 = SafeValueLayout::Block512;
    constexpr SafeValueLayout k976 = SafeValueLayout::Block976;
    const Case cases[] = {
        {"1 and 0 at positions 5 and 6", "HX-3420", {{0, "3420V10.HEX"}}, k976, k512},
        {"1 and 2", "HX-3420", {{0, "3420V12.HEX"}}, k976, k512},
        {"1 and 3", "HX-3420", {{0, "3420V13.HEX"}}, k512, k976},
        {"2 and 0", "HX-3420", {{0, "3420V20.HEX"}}, k512, k976},
        {"fifth character not examined", "HX-3420", {{0, "3420?11.HEX"}}, k976, k512},
        {"later slot wins", "HX-3420", {{1, "3420V12.HEX"}, {4, "3420V20.HEX"}}, k512, k976},
        {"later slot wins back", "HX-3420", {{1, "3420V20.HEX"}, {9, "3420V11.HEX"}}, k512, k512},
        {"other names leave it", "HX-3420", {{0, "autoexec.bat"}, {1, "3410V20.HEX"}}, k976, k976},
        {"empty list leaves it", "HX-3420", {}, k512, k512},
        {"exactly 3420 decides 976", "HX-3420", {{0, "3420"}}, k512, k976},
        {"too short for position 6", "HX-3420", {{0, "3420V1"}}, k512, k976},
        {"3420 must stand first", "HX-3420", {{0, " 3420V10"}}, k976, k976},
        {"HX-3410 keeps", "HX-3410", {{0, "3420V20.HEX"}}, k512, k512},
        {"unknown model keeps", "HX-xxxx", {{0, "3420V20.HEX"}}, k512, k512},
        {"model must match exactly", "HX-3420 ", {{0, "3420V20.HEX"}}, k512, k512},
    };
    for (const Case& k : cases) {
        FileNameList names;
        for (const auto& [slot, text] : k.slots) names[slot] = text;
        EXPECT_EQ(chooseSafeValueLayout(k.model, names, k.current), k.chosen) << k.name;
    }
}

}  // namespace
}  // namespace norvik
