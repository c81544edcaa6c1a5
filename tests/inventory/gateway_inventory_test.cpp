#include <gtest/gtest.h>

#include "inventory/gateway_inventory.h"

namespace norvik {
namespace {

TEST(GatewayInventory, readsGoodLinesWithDefaultsAndComments) {
    const InventoryParse parse = parseInventory(
        "# plant A\n"
        "\n"
        "press-1 /dev/ttyUSB0\r\n"
        "  line_2.b\trfc2217://10.0.0.7:3001 9600 even  # behind the cabinet's ser2net\n"
        "Oven3 /dev/pts/4 odd\n"
        "x /dev/pts/5 19200",
        38400, Parity::None);
    ASSERT_TRUE(parse.ok()) << static_cast<int>(parse.problem.error);
    const std::vector<InventoryEntry> expected{
        {"press-1", "/dev/ttyUSB0", 38400, Parity::None, 3},
        {"line_2.b", "rfc2217://10.0.0.7:3001", 9600, Parity::Even, 4},
        {"Oven3", "/dev/pts/4", 38400, Parity::Odd, 5},
        {"x", "/dev/pts/5", 19200, Parity::None, 6},
    };
    EXPECT_EQ(parse.entries, expected);
}

TEST(GatewayInventory, refusesTheFirstBadLineAndRunsNothing) {
    struct Case {
        const char* text;
        InventoryProblem problem;
    };
    const Case cases[] = {
        {"ok /dev/a\nbad/name /dev/b\n", {InventoryError::BadName, 2, "bad/name", 0}},
        {"caf\xE9 /dev/a\n", {InventoryError::BadName, 1, "caf\xE9", 0}},
        {".hidden /dev/a\n", {InventoryError::BadName, 1, ".hidden", 0}},
        {"-rf /dev/a\n", {InventoryError::BadName, 1, "-rf", 0}},
        {"lonely   # no device\n", {InventoryError::MissingDevice, 1, "lonely", 0}},
        {"a /dev/a 115201\n", {InventoryError::BadBaud, 1, "115201", 0}},
        {"a /dev/a 9600x\n", {InventoryError::BadBaud, 1, "9600x", 0}},
        {"a /dev/a mark\n", {InventoryError::BadBaud, 1, "mark", 0}},
        {"a /dev/a even 9600\n", {InventoryError::BadBaud, 1, "even", 0}},
        {"a /dev/a 9600 mark\n", {InventoryError::BadParity, 1, "mark", 0}},
        {"a /dev/a 9600 odd 1\n", {InventoryError::ExtraField, 1, "1", 0}},
        {"a /dev/a\n\nb /dev/b\na /dev/c\n", {InventoryError::DuplicateName, 4, "a", 1}},
        {"a /dev/a\nb /dev/a\n", {InventoryError::DuplicateDevice, 2, "/dev/a", 1}},
        {"# only comments\n\n   \n", {InventoryError::NoGateways, 0, "", 0}},
        {"", {InventoryError::NoGateways, 0, "", 0}},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa /dev/a\n",
         {InventoryError::NameTooLong, 1, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", 0}},
    };
    for (const Case& c : cases) {
        const InventoryParse parse = parseInventory(c.text);
        EXPECT_EQ(parse.problem, c.problem) << c.text;
        EXPECT_TRUE(parse.entries.empty()) << c.text;
    }
}

}  // namespace
}  // namespace norvik
