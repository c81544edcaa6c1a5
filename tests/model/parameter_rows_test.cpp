#include "model/parameter_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace norvik {
namespace {

std::vector<std::string> labelsOf(const std::vector<ParameterRow>& rows) {
    std::vector<std::string> labels;
    for (const auto& row : rows) labels.push_back(row.label);
    return labels;
}

// A record's nine texts, numbered so a test can tell which record they came from.
std::array<std::string, kModuleRows> recordTexts(int record, const std::string& type) {
    const std::string tag = std::to_string(record);
    const auto t = [&](const char* prefix) { return std::string(prefix) + tag; };
    return {t("id"), type, t("pb"), t("ib"), t("dl"), t("cc"), t("ms"), "Disable", t("tc")};
}

GatewayConfig withSystemModuleAt(uint32_t position, const std::string& model) {
    GatewayConfig config;
    config.modelName = model;
    config.modules[0].deviceId = kSystemModuleId;
    config.modules[0].modbusStart = position;
    config.moduleValueText[0] = recordTexts(0, "WDO");
    for (int r = 1; r <= 4; ++r) config.moduleValueText[r] = recordTexts(r, "WAO");
    for (std::size_t k = 1; k <= 4; ++k) config.modules[k].dataLength = 8;
    config.moduleCount = 4;
    return config;
}

TEST(ParameterRows, gatewayRowCountDependsOnTheNodeText) {
    GatewayConfig config;
    for (std::size_t i = 0; i < kGatewayRows; ++i) config.gatewayValueText[i] = std::string("v") + std::to_string(i);

    const auto hx3420 = gatewayRows(config, "HX-3420");
    ASSERT_EQ(hx3420.size(), 10u);
    EXPECT_EQ(hx3420[9], (ParameterRow{"Tcp connect num (T)(M)", "v9"}));
    EXPECT_EQ(hx3420[0], (ParameterRow{"Modbus Type", "v0"}));

    for (const char* text : {"HX-3410", "HX-xxxx"}) {
        const auto rows = rowsForNode(config, text);
        ASSERT_EQ(rows.size(), 9u) << text;
        EXPECT_EQ(rows[8], (ParameterRow{"Module count", "v8"})) << text;
    }
}

TEST(ParameterRows, emptyListsCarryEveryLabelAndNoValue) {
    const auto gateway = emptyGatewayRows();
    ASSERT_EQ(gateway.size(), 10u);
    EXPECT_EQ(gateway[3].label, "Byte Order");
    EXPECT_EQ(gateway[6].label, "Poll interval time (M)");
    const auto module = emptyModuleRows();
    ASSERT_EQ(module.size(), 9u);
    EXPECT_EQ(module[6].label, "Modbus start addr.(word/bit) (M)");
    for (const auto& row : gateway) EXPECT_TRUE(row.value.empty());
    for (const auto& row : module) EXPECT_TRUE(row.value.empty());
}

TEST(ParameterRows, showRulesFollowTypeLengthAndModel) {
    struct Case {
        const char* type;
        uint8_t dataLength;
        const char* model;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases{
        {"WAO",
         4,
         "HX-3420",
         {"Modbus Device ID (M)", "Modbus Type", "Profibus base addr.(byte)", "Internal base addr.(word/bit)",
          "Data Length(byte)", "Modbus start addr.(word/bit) (M)", "Change Word Order", "Tcp connect index (T)(M)"}},
        {"WAO",
         4,
         "HX-3410",
         {"Modbus Device ID (M)", "Modbus Type", "Profibus base addr.(byte)", "Internal base addr.(word/bit)",
          "Data Length(byte)", "Modbus start addr.(word/bit) (M)", "Change Word Order"}},
        {"WAO",
         6,
         "HX-3410",
         {"Modbus Device ID (M)", "Modbus Type", "Profibus base addr.(byte)", "Internal base addr.(word/bit)",
          "Data Length(byte)", "Modbus start addr.(word/bit) (M)"}},
        {"WDO",
         8,
         "HX-3410",
         {"Modbus Device ID (M)", "Modbus Type", "Profibus base addr.(byte)", "Internal base addr.(word/bit)",
          "Data Length(byte)", "NO. of Relay/Coil (M)", "Modbus start addr.(word/bit) (M)"}},
        {"RDO",
         4,
         "HX-3410",
         {"Modbus Device ID (M)", "Modbus Type", "Profibus base addr.(byte)", "Internal base addr.(word/bit)",
          "Data Length(byte)", "NO. of Relay/Coil (M)", "Modbus start addr.(word/bit) (M)"}},
        {"RAI",
         0,
         "HX-3410",
         {"Modbus Device ID (M)", "Modbus Type", "Profibus base addr.(byte)", "Internal base addr.(word/bit)",
          "Data Length(byte)", "Modbus start addr.(word/bit) (M)", "Change Word Order"}},
        // An unknown type code has the empty text: neither rule hides its rows.
        {"",
         4,
         "HX-3420",
         {"Modbus Device ID (M)", "Modbus Type", "Profibus base addr.(byte)", "Internal base addr.(word/bit)",
          "Data Length(byte)", "NO. of Relay/Coil (M)", "Modbus start addr.(word/bit) (M)", "Change Word Order",
          "Tcp connect index (T)(M)"}},
    };
    for (const auto& c : cases) {
        GatewayConfig config;  // no system module: Module 1 reads record 1
        config.modelName = c.model;
        config.moduleValueText[1] = recordTexts(1, c.type);
        config.modules[1].dataLength = c.dataLength;
        EXPECT_EQ(labelsOf(rowsForNode(config, "Module 1")), c.labels)
            << c.type << " length " << int(c.dataLength) << " " << c.model;
    }
}

TEST(ParameterRows, valuesComeFromTheRecordBesideTheSystemModule) {
    struct Case {
        uint32_t position;
        int module;
        const char* firstValue;  // "" = the system module's two rows
    };
    const std::vector<Case> cases{
        {1, 1, ""},
        {1, 2, "id1"},
        {1, 4, "id3"},
        {2, 1, "id1"},
        {2, 2, ""},
        {2, 3, "id2"},
        // A position below 1 is placed at 1, and the list agrees.
        {0, 1, ""},
        {0, 2, "id1"},
    };
    for (const auto& c : cases) {
        const auto config = withSystemModuleAt(c.position, "HX-3420");
        const auto rows = moduleRows(config, c.module);
        if (std::string(c.firstValue).empty()) {
            const std::vector<ParameterRow> system{{"Module ID", "0xFF"}, {"Module Type", "System Module"}};
            EXPECT_EQ(rows, system) << "position " << c.position << " module " << c.module;
        } else {
            ASSERT_FALSE(rows.empty());
            EXPECT_EQ(rows.front().value, c.firstValue) << "position " << c.position << " module " << c.module;
        }
    }
}

TEST(ParameterRows, withoutSystemModuleModuleNReadsRecordN) {
    auto config = withSystemModuleAt(1, "HX-3410");
    config.modules[0].deviceId = 5;
    EXPECT_EQ(moduleRows(config, 1).front().value, "id1");
    EXPECT_EQ(moduleRows(config, 3).front().value, "id3");
}

TEST(ParameterRows, wordOrderRuleUsesThePlacedEntrysLength) {
    // Record 1 (Module 2 after placement at 1) is a WAO; entry 2 holds its length.
    auto config = withSystemModuleAt(1, "HX-3410");
    config.modules[2].dataLength = 6;
    config.modules[1].dataLength = 4;
    const auto labels = labelsOf(moduleRows(config, 2));
    EXPECT_EQ(std::count(labels.begin(), labels.end(), "Change Word Order"), 0);
}

TEST(ParameterRows, nodeTextsAreMatchedExactly) {
    GatewayConfig config;
    config.moduleValueText[32] = recordTexts(32, "WDO");
    EXPECT_EQ(rowsForNode(config, "Module 32").front().value, "id32");
    for (const char* other : {"Module 0", "Module 33", "Module 01", "Module 1 ", "module 1", "HX-3430", ""}) {
        EXPECT_EQ(rowsForNode(config, other), emptyModuleRows()) << '"' << other << '"';
    }
    EXPECT_EQ(moduleNodeName(1), "Module 1");
    EXPECT_EQ(moduleNodeName(32), "Module 32");
    EXPECT_EQ(moduleNodeName(33), "");
}

}  // namespace
}  // namespace norvik
