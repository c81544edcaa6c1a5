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
        uint32_t current;
        uint32_t chosen;
    };
    const Case cases[] = {
        {"1 and 0 at positions 5 and 6", "HX-3420", {{0, "3420V10.HEX"}}, kLayout976, kLayout512},
        {"1 and 2", "HX-3420", {{0, "3420V12.HEX"}}, kLayout976, kLayout512},
        {"1 and 3", "HX-3420", {{0, "3420V13.HEX"}}, kLayout512, kLayout976},
        {"2 and 0", "HX-3420", {{0, "3420V20.HEX"}}, kLayout512, kLayout976},
        {"fifth character not examined", "HX-3420", {{0, "3420?11.HEX"}}, kLayout976, kLayout512},
        {"later slot wins", "HX-3420", {{1, "3420V12.HEX"}, {4, "3420V20.HEX"}}, kLayout512, kLayout976},
        {"later slot wins back", "HX-3420", {{1, "3420V20.HEX"}, {9, "3420V11.HEX"}}, kLayout512, kLayout512},
        {"other names leave it", "HX-3420", {{0, "autoexec.bat"}, {1, "3410V20.HEX"}}, kLayout976, kLayout976},
        {"empty list leaves it", "HX-3420", {}, kLayout512, kLayout512},
        {"exactly 3420 decides 976", "HX-3420", {{0, "3420"}}, kLayout512, kLayout976},
        {"too short for position 6", "HX-3420", {{0, "3420V1"}}, kLayout512, kLayout976},
        {"3420 must stand first", "HX-3420", {{0, " 3420V10"}}, kLayout976, kLayout976},
        {"HX-3410 keeps", "HX-3410", {{0, "3420V20.HEX"}}, kLayout512, kLayout512},
        {"unknown model keeps", "HX-xxxx", {{0, "3420V20.HEX"}}, kLayout512, kLayout512},
        {"model must match exactly", "HX-3420 ", {{0, "3420V20.HEX"}}, kLayout512, kLayout512},
    };
    for (const Case& k : cases) {
        FileNameList names;
        for (const auto& [slot, text] : k.slots) names[slot] = text;
        EXPECT_EQ(chooseSafeValueLayout(k.model, names, k.current), k.chosen) << k.name;
    }
}

}  // namespace
}  // namespace norvik
