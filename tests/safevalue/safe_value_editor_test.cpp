// The safe-value dialog's rules, driven without a window: a recording window
// and recording prompts stand in for the dialog and its boxes.

#include "editors/safe_value_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/fake_gateway_jobs.h"
#include "support/recording_prompts.h"
#include "support/temp_file.h"

namespace norvik {
namespace {

namespace sv = safevalue;
using test::FakeGatewayJobs;
using test::RecordingPrompts;
using Told = std::vector<EditorMessage>;
using test::TempFile;
using Bytes = std::vector<uint8_t>;

const char* name(SafeGrid grid) {
    static constexpr const char* kNames[] = {"DO", "DI", "AO", "AI"};
    return kNames[static_cast<int>(grid)];
}
// A box as the events record it.
std::string box(EditorMessage message) { return "box:" + std::to_string(static_cast<int>(message)); }

// Records what the editor asks of its window; colourings are counted per grid.
class RecordingWindow : public SafeValueWindow {
public:
    explicit RecordingWindow(std::vector<std::string>& events) : events_(events) {}
    bool running = false;
    std::vector<std::pair<SafeCell, uint32_t>> coloured[4];

    void setTransferRunning(bool on) override {
        running = on;
        events_.push_back(on ? "timer:on" : "timer:off");
    }
    void showGrid(SafeGrid grid) override { events_.push_back(std::string("show:") + name(grid)); }
    void colourCell(SafeGrid grid, int row, int column, uint32_t colour) override {
        coloured[static_cast<int>(grid)].push_back({{row, column}, colour});
    }
    void uncheckModuleBox(int k) override { events_.push_back("uncheck:" + std::to_string(k)); }
    void redrawGrids() override { events_.push_back("redraw"); }
    void tell(EditorMessage message) override {
        told.push_back(message);
        events_.push_back(box(message));
    }
    Told told;

private:
    std::vector<std::string>& events_;
};

struct Layout {
    SafeValueLayout layout;
    int n;
};
constexpr Layout kLayouts[] = {{SafeValueLayout::Block512, 128}, {SafeValueLayout::Block976, 244}};

class SafeValueEditorTest : public ::testing::Test {
protected:
    LinkSession session;
    GatewayConfig config;
    RecordingPrompts prompts;
    FakeGatewayJobs jobs;
    RecordingWindow window{prompts.events};
    std::unique_ptr<SafeValueEditor> editor;

    void SetUp() override {
        session.linkState = LinkState::Connected;
        session.parameterLoaded = true;
        session.firmwareAutoQuery = false;
    }
    SafeValueEditor& open(DialogMode mode, SafeValueLayout layout = SafeValueLayout::Block512) {
        session.safeValueLayout = layout;
        editor = std::make_unique<SafeValueEditor>(mode, session, config, jobs, prompts, window);
        editor->start();
        return *editor;
    }
    // The gateway's block for the load asked last, and the tick that takes it.
    void receive(Bytes block) {
        JobResult result;
        result.kind = JobKind::ReadSafeValues;
        result.safeValues = std::move(block);
        jobs.endLast(std::move(result));
        editor->transferTick();
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) editor->transferTick();
    }
};

TEST_F(SafeValueEditorTest, eachModeOpensWithItsTableAndGridSizes) {
    struct Case {
        DialogMode mode;
        const char* bit;
        const char* word;
    };
    const Case cases[] = {
        {DialogMode::NewSetting, "H", "FFFF"},
        {DialogMode::LoadFromFile, "", ""},
        {DialogMode::LoadFromDevice, "", ""},
    };
    for (const Layout& l : kLayouts) {
        for (const Case& c : cases) {
            const SafeValueEditor& e = open(c.mode, l.layout);
            const std::string what = std::to_string(l.n) + "/" + std::to_string(static_cast<int>(c.mode));
            EXPECT_EQ(e.mode(), c.mode) << what;
            EXPECT_EQ(e.layout(), l.layout) << what;
            for (SafeGrid g : kSafeGrids) {
                const bool digital = isDigitalGrid(g);
                const int rows = safeGridRows(g, l.layout);
                EXPECT_EQ(rows, (digital ? l.n : l.n / 2) + 1) << what;
                EXPECT_EQ(safeGridColumns(g), digital ? 9 : 2);
                EXPECT_EQ(e.cellText(g, 0, 1), "") << "the header row is the window's";
                EXPECT_EQ(e.cellText(g, 1, 0), digital ? "0~7" : "0");
                const int last = rows - 1;
                EXPECT_EQ(e.cellText(g, last, 0),
                          digital ? std::to_string(8 * (l.n - 1)) + "~" + std::to_string(8 * l.n - 1)
                                  : std::to_string(l.n / 2 - 1))
                    << what;
                EXPECT_EQ(e.cellText(g, last, safeGridColumns(g) - 1), digital ? c.bit : c.word) << what;
                EXPECT_EQ(e.cellText(g, rows, 1), "") << "beyond the grid";
            }
        }
    }
}

TEST_F(SafeValueEditorTest, loadFromDeviceAsksAtOnce) {
    open(DialogMode::LoadFromDevice);
    ASSERT_EQ(jobs.asked.size(), 1u);
    EXPECT_EQ(jobs.last().job.kind, JobKind::ReadSafeValues);
    EXPECT_TRUE(window.running);
    EXPECT_TRUE(editor->transferRunning());
}

TEST_F(SafeValueEditorTest, loadFromFileAsksForTheFileAtOnce) {
    // Cancelled: nothing but the question, the cells stay empty.
    open(DialogMode::LoadFromFile);
    EXPECT_EQ(prompts.events, std::vector<std::string>{"open?"});
    ASSERT_EQ(prompts.choices().size(), 1u);
    EXPECT_EQ(prompts.choices()[0].filter, "Norvik File (*.ptm)");
    EXPECT_EQ(prompts.choices()[0].proposedName, "Save_value_setting");
    EXPECT_EQ(prompts.choices()[0].defaultSuffix, "ptm");
    EXPECT_EQ(editor->table(), resetSafeValueTable(SafeValueLayout::Block512, false));
    EXPECT_FALSE(window.running);

    TempFile file("norvik_sv_editor_load");
    prompts.openAnswer = file.path();
    prompts.events.clear();
    open(DialogMode::LoadFromFile);
    EXPECT_EQ(prompts.events, (std::vector<std::string>{"open?", box(EditorMessage::FileOpenError)}));

    Bytes block(976);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
    file.write(block);
    prompts.events.clear();
    open(DialogMode::LoadFromFile, SafeValueLayout::Block976);
    EXPECT_EQ(prompts.events, (std::vector<std::string>{"open?", "show:DO", "show:DI", "show:AO", "show:AI"}));
    EXPECT_EQ(encodeSafeValueBlock(editor->table(), SafeValueLayout::Block976), block);
}

TEST_F(SafeValueEditorTest, doubleClickSwapsHAndLOnly) {
    open(DialogMode::LoadFromDevice);
    Bytes block(512, 0x00);
    block[128] = 0x01;  // DO bit 0 High, every other bit Low
    receive(block);
    struct Case {
        const char* name;
        int row;
        int column;
        bool changes;
    };
    const Case cases[] = {
        {"H cell", 1, 1, true},
        {"L cell", 1, 2, true},
        {"last bit", 128, 8, true},
        {"header", 0, 1, false},
        {"row label", 1, 0, false},
        {"corner", 0, 0, false},
        {"past the last row", 129, 1, false},
        {"past the last column", 1, 9, false},
        {"negative", -1, 1, false},
    };
    for (const Case& c : cases) {
        const std::string before = editor->cellText(SafeGrid::Do, c.row, c.column);
        EXPECT_EQ(editor->toggleBit(SafeGrid::Do, c.row, c.column), c.changes) << c.name;
        const std::string after = editor->cellText(SafeGrid::Do, c.row, c.column);
        if (c.changes) EXPECT_EQ(after, before == "H" ? "L" : "H") << c.name;
        else EXPECT_EQ(after, before) << c.name;
    }
    EXPECT_EQ(editor->table().do_[0], SafeBit::Low);
    EXPECT_EQ(editor->table().do_[1], SafeBit::High);
    EXPECT_FALSE(editor->toggleBit(SafeGrid::Ao, 1, 1)) << "words are edited, not toggled";

    open(DialogMode::LoadFromDevice);
    EXPECT_FALSE(editor->toggleBit(SafeGrid::Di, 1, 1)) << "an empty cell stays empty";
    EXPECT_EQ(editor->cellText(SafeGrid::Di, 1, 1), "");
}

TEST(SafeValueWordCheck, fourHexDigitsInEitherCase) {
    struct Case {
        const char* text;
        std::optional<EditorMessage> refusal;
        const char* shown;
        uint16_t value;
    };
    const Case cases[] = {
        {"abcd", std::nullopt, "ABCD", 0xABCD},
        {"00ff", std::nullopt, "00FF", 0x00FF},
        {"0A3b", std::nullopt, "0A3B", 0x0A3B},
        {"FFFF", std::nullopt, "FFFF", 0xFFFF},
        {"123", EditorMessage::WordLength, "", 0},
        {"12345", EditorMessage::WordLength, "", 0},
        {"", EditorMessage::WordLength, "", 0},
        {"12g4", EditorMessage::WordDigits, "", 0},
        {" 123", EditorMessage::WordDigits, "", 0},
        {"0x12", EditorMessage::WordDigits, "", 0},
        // Four characters, one of them beyond ASCII: its bytes are no digits.
        {"\xC3\xA9"
         "123",
         EditorMessage::WordDigits, "", 0},
        // Six bytes but three characters.
        {"\xC3\xA9\xC3\xA9\xC3\xA9", EditorMessage::WordLength, "", 0},
    };
    for (const Case& c : cases) {
        const WordCheck check = checkWordText(c.text);
        EXPECT_EQ(check.refusal, c.refusal) << c.text;
        if (!c.refusal) {
            EXPECT_EQ(check.text, c.shown);
            EXPECT_EQ(check.value, c.value);
        }
    }
}

TEST_F(SafeValueEditorTest, aRefusedWordIsToldAndLeavesTheTableAlone) {
    open(DialogMode::NewSetting);
    EXPECT_EQ(editor->editWord(SafeGrid::Ao, 1, 1, "abc"), std::nullopt);
    EXPECT_EQ(editor->editWord(SafeGrid::Ai, 64, 1, "12G4"), std::nullopt);
    EXPECT_EQ(window.told, (Told{EditorMessage::WordLength, EditorMessage::WordDigits}));
    EXPECT_EQ(editor->table(), resetSafeValueTable(SafeValueLayout::Block512, true));

    EXPECT_EQ(editor->editWord(SafeGrid::Ai, 64, 1, "0a3b"), std::optional<std::string>("0A3B"));
    EXPECT_EQ(editor->table().ai[63], SafeWord{0x0A3B});
    EXPECT_EQ(editor->cellText(SafeGrid::Ai, 64, 1), "0A3B");
    EXPECT_EQ(editor->editWord(SafeGrid::Ao, 65, 1, "1234"), std::nullopt) << "past the last word";
    EXPECT_EQ(editor->editWord(SafeGrid::Do, 1, 1, "1234"), std::nullopt) << "bits are not words";
    EXPECT_EQ(window.told.size(), 2u);
}

TEST_F(SafeValueEditorTest, allSetButtonsWorkOnTheAreaShown) {
    open(DialogMode::LoadFromDevice);
    editor->setAllBits(SafeBit::Low);
    editor->setAllWords(0x0000);
    editor->setView(SafeValueView::Input);
    EXPECT_EQ(editor->visibleDigitalGrid(), SafeGrid::Di);
    EXPECT_EQ(editor->visibleAnalogGrid(), SafeGrid::Ai);
    editor->setAllBits(SafeBit::High);
    editor->setAllWords(0xFFFF);
    const SafeValueTable& t = editor->table();
    EXPECT_TRUE(std::all_of(t.do_.begin(), t.do_.end(), [](SafeBit b) { return b == SafeBit::Low; }));
    EXPECT_TRUE(std::all_of(t.di.begin(), t.di.end(), [](SafeBit b) { return b == SafeBit::High; }));
    EXPECT_TRUE(std::all_of(t.ao.begin(), t.ao.end(), [](SafeWord w) { return w == SafeWord{0}; }));
    EXPECT_TRUE(std::all_of(t.ai.begin(), t.ai.end(), [](SafeWord w) { return w == SafeWord{0xFFFF}; }));
    EXPECT_EQ(prompts.events, (std::vector<std::string>{"timer:on", "show:DO", "show:AO", "show:DI", "show:AI"}));
}

ModuleEntry moduleOf(uint8_t type, uint32_t base, uint8_t dataLength, uint32_t coils) {
    ModuleEntry m;
    m.deviceId = 1;
    m.type = static_cast<ModuleType>(type);
    m.internalBase = base;
    m.dataLength = dataLength;
    m.coilCount = coils;
    return m;
}

TEST(SafeValueModuleMarks, gridAndCountFollowTypeAndRole) {
    struct Case {
        const char* name;
        int role;  // 0 master, 1 slave
        ModuleEntry module;
        SafeValueLayout layout;
        std::optional<SafeGrid> grid;
        const char* kind;
        uint32_t first;
        uint32_t end;
    };
    const Case cases[] = {
        {"master type 0 counts coils", 0, moduleOf(0, 12, 4, 10), SafeValueLayout::Block512, SafeGrid::Do, "WDO", 12,
         22},
        {"slave type 0 counts data bytes", 1, moduleOf(0, 12, 4, 10), SafeValueLayout::Block512, SafeGrid::Di, "RDI",
         12, 44},
        {"master type 1", 0, moduleOf(1, 0, 1, 3), SafeValueLayout::Block512, SafeGrid::Di, "RDI", 0, 3},
        {"slave type 1", 1, moduleOf(1, 0, 1, 3), SafeValueLayout::Block512, SafeGrid::Do, "WDO", 0, 8},
        {"master type 2", 0, moduleOf(2, 5, 7, 0), SafeValueLayout::Block512, SafeGrid::Ao, "WAO", 5, 8},
        {"slave type 2", 1, moduleOf(2, 5, 7, 0), SafeValueLayout::Block512, SafeGrid::Ai, "RAI", 5, 8},
        {"master type 3", 0, moduleOf(3, 0, 4, 0), SafeValueLayout::Block512, SafeGrid::Ai, "RAI", 0, 2},
        {"slave type 3", 1, moduleOf(3, 0, 4, 0), SafeValueLayout::Block512, SafeGrid::Ao, "WAO", 0, 2},
        {"master type 4", 0, moduleOf(4, 8, 1, 2), SafeValueLayout::Block512, SafeGrid::Di, "RDO", 8, 10},
        {"slave type 4", 1, moduleOf(4, 8, 1, 2), SafeValueLayout::Block512, SafeGrid::Do, "WDO", 8, 16},
        {"master type 5", 0, moduleOf(5, 1, 2, 0), SafeValueLayout::Block512, SafeGrid::Ai, "RAO", 1, 2},
        {"slave type 5", 1, moduleOf(5, 1, 2, 0), SafeValueLayout::Block512, SafeGrid::Ao, "WAO", 1, 2},
        {"type out of range", 0, moduleOf(6, 0, 4, 4), SafeValueLayout::Block512, std::nullopt, "", 0, 0},
        {"bits cut at the 976-byte grid's end", 0, moduleOf(0, 1950, 0, 10), SafeValueLayout::Block976, SafeGrid::Do,
         "WDO", 1950, 1952},
        {"bits beyond the 512-byte grid", 0, moduleOf(0, 1950, 0, 10), SafeValueLayout::Block512, SafeGrid::Do, "WDO",
         1024, 1024},
        {"words cut at the 976-byte grid's end", 0, moduleOf(2, 120, 10, 0), SafeValueLayout::Block976, SafeGrid::Ao,
         "WAO", 120, 122},
        {"words beyond the 512-byte grid", 0, moduleOf(2, 120, 10, 0), SafeValueLayout::Block512, SafeGrid::Ao, "WAO",
         64, 64},
        {"no points", 0, moduleOf(0, 3, 0, 0), SafeValueLayout::Block512, SafeGrid::Do, "WDO", 3, 3},
        {"base and count at their limits", 0, moduleOf(0, 0xFFFFFFF0u, 0, 0xFFFFFFFFu), SafeValueLayout::Block976,
         SafeGrid::Do, "WDO", 1952, 1952},
        {"huge count from zero", 0, moduleOf(0, 0, 0, 0xFFFFFFFFu), SafeValueLayout::Block512, SafeGrid::Do, "WDO", 0,
         1024},
    };
    for (const Case& c : cases) {
        GatewayConfig config;
        config.role = c.role == 0 ? ModbusRole::Master : ModbusRole::Slave;
        config.moduleCount = 3;
        config.modules[3] = c.module;
        const auto marks = safeValueModuleMarks(config, 3, c.layout);
        ASSERT_EQ(marks.has_value(), c.grid.has_value()) << c.name;
        if (!marks) continue;
        EXPECT_EQ(marks->grid, *c.grid) << c.name;
        EXPECT_STREQ(marks->kind, c.kind) << c.name;
        EXPECT_EQ(marks->first, c.first) << c.name;
        EXPECT_EQ(marks->end, c.end) << c.name;
    }
    EXPECT_FALSE(safeValueModuleMarks(GatewayConfig{}, 0, SafeValueLayout::Block512).has_value());
    EXPECT_FALSE(safeValueModuleMarks(GatewayConfig{}, 33, SafeValueLayout::Block512).has_value());
}

TEST(SafeValueModuleMarks, cellsOfBitsAndWords) {
    // Bits 12 .. 21: bits 4 to 7 of the row "8~15", bits 0 to 5 of the row "16~23".
    EXPECT_EQ(safeGridCell(SafeGrid::Do, 12).row, 2);
    EXPECT_EQ(safeGridCell(SafeGrid::Do, 12).column, 5);
    EXPECT_EQ(safeGridCell(SafeGrid::Di, 21).row, 3);
    EXPECT_EQ(safeGridCell(SafeGrid::Di, 21).column, 6);
    EXPECT_EQ(safeGridCell(SafeGrid::Ao, 0).row, 1);
    EXPECT_EQ(safeGridCell(SafeGrid::Ai, 121).row, 122);
    EXPECT_EQ(safeGridCell(SafeGrid::Ai, 121).column, 1);
}

TEST_F(SafeValueEditorTest, checkingAModuleClearsTheOneBeforeFirst) {
    config.role = ModbusRole::Master;
    config.moduleCount = 3;
    config.modules[2] = moduleOf(0, 12, 2, 10);
    config.modules[3] = moduleOf(2, 1, 4, 0);
    open(DialogMode::NewSetting);
    prompts.events.clear();

    editor->clickModule(2, true);
    const auto& doCells = window.coloured[static_cast<int>(SafeGrid::Do)];
    ASSERT_EQ(doCells.size(), 10u);
    std::vector<std::pair<int, int>> cells;
    for (const auto& [cell, colour] : doCells) {
        cells.push_back({cell.row, cell.column});
        EXPECT_EQ(colour, 0xFFFF00u) << "RGB(0, 255, 255)";
    }
    EXPECT_EQ(cells, (std::vector<std::pair<int, int>>{
                         {2, 5}, {2, 6}, {2, 7}, {2, 8}, {3, 1}, {3, 2}, {3, 3}, {3, 4}, {3, 5}, {3, 6}}));
    EXPECT_EQ(editor->checkedModule(), 2);

    editor->clickModule(3, true);
    EXPECT_EQ(prompts.events, (std::vector<std::string>{"redraw", "uncheck:2", "redraw"}));
    ASSERT_EQ(doCells.size(), 20u);
    EXPECT_TRUE(std::all_of(doCells.begin() + 10, doCells.end(), [](const auto& c) { return c.second == 0xFFFFFFu; }))
        << "module 2 cleared to white";
    const auto& aoCells = window.coloured[static_cast<int>(SafeGrid::Ao)];
    ASSERT_EQ(aoCells.size(), 2u);
    EXPECT_EQ(aoCells[0].first.row, 2);
    EXPECT_EQ(editor->checkedModule(), 3);

    editor->clickModule(3, false);
    ASSERT_EQ(aoCells.size(), 4u);
    EXPECT_EQ(aoCells[3].second, 0xFFFFFFu);
    EXPECT_EQ(editor->checkedModule(), 0);
}

TEST_F(SafeValueEditorTest, aHugeModuleColoursOnlyTheGridsCells) {
    config.role = ModbusRole::Slave;  // slave: 8 x dataLength bits
    config.moduleCount = 1;
    config.modules[1] = moduleOf(0, 1000, 255, 0);
    open(DialogMode::NewSetting, SafeValueLayout::Block512);
    editor->clickModule(1, true);
    EXPECT_EQ(window.coloured[static_cast<int>(SafeGrid::Di)].size(), 24u);
    config.modules[1] = moduleOf(0, 0xFFFFFF00u, 255, 0xFFFFFFFFu);
    editor->clickModule(1, false);
    EXPECT_EQ(window.coloured[static_cast<int>(SafeGrid::Di)].size(), 24u) << "nothing of it lies in the grid";
}

TEST(SafeValueModuleBoxes, theGatewaysModulesButTheSystemModulesPlace) {
    struct Case {
        const char* name;
        uint8_t count;
        uint8_t entry0Id;
        uint32_t position;
        std::vector<int> enabled;
    };
    auto range = [](int from, int to) {
        std::vector<int> r;
        for (int k = from; k <= to; ++k) r.push_back(k);
        return r;
    };
    std::vector<int> twoToTwenty = range(2, 20);
    std::vector<int> allButFive = range(1, 7);
    allButFive.erase(allButFive.begin() + 4);
    const Case cases[] = {
        {"system module at 1", 20, 0xFF, 1, twoToTwenty},
        {"position 0 counts as 1", 20, 0xFF, 0, twoToTwenty},
        {"system module at 5", 7, 0xFF, 5, allButFive},
        {"no system module", 3, 0x01, 1, range(1, 3)},
        {"no modules", 0, 0xFF, 1, {}},
    };
    for (const Case& c : cases) {
        GatewayConfig config;
        config.moduleCount = c.count;
        config.modules[0].deviceId = c.entry0Id;
        config.modules[0].modbusStart = c.position;
        const auto boxes = safeValueModuleBoxes(config);
        std::vector<int> enabled;
        for (int k = 1; k <= 32; ++k)
            if (boxes[static_cast<std::size_t>(k - 1)]) enabled.push_back(k);
        EXPECT_EQ(enabled, c.enabled) << c.name;
    }
}

TEST_F(SafeValueEditorTest, saveToDeviceGuardsThenHandsTheBlockOver) {
    struct Case {
        const char* name;
        LinkState link;
        bool parameterLoaded;
        EditorMessage refusal;
    };
    const Case cases[] = {
        {"loading", LinkState::LoadingParameters, true, EditorMessage::Loading},
        {"not connected", LinkState::NotConnected, true, EditorMessage::NotConnected},
        {"no parameters", LinkState::Connected, false, EditorMessage::NoParameter},
    };
    for (const Case& c : cases) {
        open(DialogMode::NewSetting);
        window.told.clear();
        session.linkState = c.link;
        session.parameterLoaded = c.parameterLoaded;
        editor->saveToDevice();
        EXPECT_EQ(window.told, Told{c.refusal}) << c.name;
        EXPECT_TRUE(jobs.asked.empty()) << c.name;
        EXPECT_FALSE(window.running) << c.name;
    }

    // The firmware query is not waited for here, only at the menu.
    SetUp();
    session.firmwareAutoQuery = true;
    open(DialogMode::NewSetting, SafeValueLayout::Block976);
    window.told.clear();
    editor->saveToDevice();
    EXPECT_TRUE(window.told.empty());
    ASSERT_EQ(jobs.asked.size(), 1u);
    EXPECT_EQ(jobs.last().job.kind, JobKind::SendSafeValues);
    EXPECT_EQ(jobs.last().job.safeValues, Bytes(976, 0xFF));
    EXPECT_TRUE(window.running);
}

TEST_F(SafeValueEditorTest, anUnsetWordOrAChangedLayoutSendsNothing) {
    open(DialogMode::LoadFromDevice);
    jobs.endLast(JobOutcome::LinkLost);
    editor->transferTick();  // the link was lost: "break", the button is back
    EXPECT_EQ(window.told, Told{EditorMessage::TransferBroken});
    window.told.clear();
    editor->setAllWords(0x1234);  // AO only: AI is still unset
    editor->saveToDevice();
    EXPECT_EQ(window.told, Told{EditorMessage::ValuesUnset});
    EXPECT_EQ(jobs.asked.size(), 1u) << "the load only";

    open(DialogMode::NewSetting, SafeValueLayout::Block512);
    window.told.clear();
    session.safeValueLayout = SafeValueLayout::Block976;  // reconnected to another gateway meanwhile
    editor->saveToDevice();
    EXPECT_EQ(window.told, Told{EditorMessage::ValuesUnset});
    EXPECT_EQ(jobs.asked.size(), 1u);
}

TEST_F(SafeValueEditorTest, eachEndFinishesAtTheNextTickBeforeItsBox) {
    struct Case {
        JobOutcome outcome;
        GatewayError error;
        EditorMessage message;
    };
    const Case cases[] = {
        {JobOutcome::Done, GatewayError::None, EditorMessage::SendFinished},
        {JobOutcome::GatewayError, GatewayError::ReceiveFailed, EditorMessage::SendError},
        {JobOutcome::GatewayError, GatewayError::SaveFailed, EditorMessage::SaveError},
        {JobOutcome::BlockIncomplete, GatewayError::None, EditorMessage::SendError},
        {JobOutcome::NoAnswer, GatewayError::None, EditorMessage::ReceiveError},
        {JobOutcome::LinkLost, GatewayError::None, EditorMessage::TransferBroken},
        {JobOutcome::Cancelled, GatewayError::None, EditorMessage::TransferBroken},
    };
    for (const Case& c : cases) {
        open(DialogMode::NewSetting);
        editor->saveToDevice();
        prompts.events.clear();
        jobs.endLast(c.outcome, c.error);
        EXPECT_TRUE(prompts.events.empty()) << "held until the tick";
        editor->transferTick();
        EXPECT_EQ(prompts.events, (std::vector<std::string>{"timer:off", box(c.message)})) << jobOutcomeName(c.outcome);
        EXPECT_FALSE(editor->transferRunning());
        editor->transferTick();
        EXPECT_EQ(prompts.events.size(), 2u) << "no tick after the finish";
    }
}

TEST_F(SafeValueEditorTest, aLoadWaitsAsLongAsItTakesThenFillsEveryCell) {
    for (const Layout& l : kLayouts) {
        open(DialogMode::LoadFromDevice, l.layout);
        ticks(50);
        EXPECT_TRUE(editor->transferRunning()) << "a load has no time-out of its own";
        Bytes block(4u * static_cast<std::size_t>(l.n));
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 29 + 3);
        prompts.events.clear();
        receive(block);
        EXPECT_EQ(prompts.events, (std::vector<std::string>{"timer:off", "show:DO", "show:DI", "show:AO", "show:AI",
                                                            box(EditorMessage::ReceiveFinished)}));
        EXPECT_EQ(encodeSafeValueBlock(editor->table(), l.layout), block);
        for (SafeGrid g : kSafeGrids) {
            for (int r = 1; r < safeGridRows(g, l.layout); ++r) {
                for (int c = 1; c < safeGridColumns(g); ++c) {
                    const std::string text = editor->cellText(g, r, c);
                    ASSERT_TRUE(isDigitalGrid(g) ? (text == "H" || text == "L") : text.size() == 4)
                        << name(g) << " " << r << "," << c << " '" << text << "'";
                }
            }
        }
    }
}

// The worker appends the block of the layout in force when it ran; one of
// the other size does not belong to these grids.
TEST_F(SafeValueEditorTest, aBlockOfTheOtherSizeIsAReceiveError) {
    open(DialogMode::LoadFromDevice, SafeValueLayout::Block512);
    prompts.events.clear();
    receive(Bytes(976, 0x00));
    EXPECT_EQ(prompts.events, (std::vector<std::string>{"timer:off", box(EditorMessage::ReceiveError)}));
    EXPECT_EQ(editor->table(), resetSafeValueTable(SafeValueLayout::Block512, false));
}

TEST_F(SafeValueEditorTest, aSendGivesUpOnItsEleventhTickAndKeepsTheCountAcrossSends) {
    open(DialogMode::NewSetting);
    editor->saveToDevice();
    ticks(4);
    EXPECT_EQ(editor->sendWaitTicks(), 4);
    jobs.endLast(JobOutcome::Done);
    editor->transferTick();
    EXPECT_EQ(window.told.back(), EditorMessage::SendFinished);

    // The second send starts from the four ticks the first one left.
    editor->saveToDevice();
    ticks(6);
    EXPECT_EQ(jobs.pendingJobs(), 1u);
    EXPECT_EQ(editor->sendWaitTicks(), 10);
    editor->transferTick();
    EXPECT_TRUE(jobs.last().cancelled) << "given up on the eleventh tick";
    EXPECT_EQ(editor->sendWaitTicks(), 0);
    EXPECT_TRUE(editor->transferRunning()) << "the message comes one tick later";
    // Whatever the job's own end says now is not the dialog's concern any more.
    jobs.deliverCancelled();
    editor->transferTick();
    EXPECT_EQ(window.told.back(), EditorMessage::ReceiveError);
    EXPECT_FALSE(editor->transferRunning());
    EXPECT_EQ(window.told.size(), 2u);
}

TEST_F(SafeValueEditorTest, saveToFileWritesTheBlockOrTellsWhyNot) {
    TempFile file("norvik_sv_editor_save");
    file.write(Bytes(3, 0x42));

    open(DialogMode::LoadFromFile);  // cancelled: every word unset
    prompts.events.clear();
    prompts.saveAnswer = file.path();
    editor->saveToFile();
    EXPECT_EQ(prompts.events, std::vector<std::string>{box(EditorMessage::ValuesUnset)})
        << "no file is chosen for a table that cannot be written";
    EXPECT_EQ(file.read(), Bytes(3, 0x42));

    open(DialogMode::NewSetting, SafeValueLayout::Block976);
    prompts.events.clear();
    prompts.saveAnswer.reset();
    editor->saveToFile();
    EXPECT_EQ(prompts.events, std::vector<std::string>{"save?"});
    EXPECT_EQ(prompts.choices().back().proposedName, "Save_value_setting");
    EXPECT_EQ(file.read(), Bytes(3, 0x42));

    prompts.saveAnswer = file.path();
    editor->editWord(SafeGrid::Ao, 1, 1, "1234");
    editor->saveToFile();
    Bytes expected(976, 0xFF);
    expected[3 * 244] = 0x34;
    expected[3 * 244 + 1] = 0x12;
    EXPECT_EQ(file.read(), expected);

    prompts.events.clear();
    prompts.saveAnswer = std::string("/");
    editor->saveToFile();
    EXPECT_EQ(prompts.events, (std::vector<std::string>{"save?", box(EditorMessage::FileCreateError)}));
}

}  // namespace
}  // namespace norvik
