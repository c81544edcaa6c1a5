#pragma once
// What the safe-value dialog decides, without a window: the texts of its four
// grids, bit toggles and word edits, module marks, its files and its transfers
// with the gateway. The dialog shows the table this editor holds and forwards
// the user's actions to it; the editor answers through SafeValueWindow and
// asks the user through UserPrompts.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/link_session.h"
#include "link/user_prompts.h"
#include "model/gateway_config.h"
#include "safevalue/safe_value.h"

namespace norvik {

namespace safevalue {
inline constexpr const char* kCaption = "Safe Value Setting";
inline constexpr const char* kGroupSelectModule = "Select module";
inline constexpr const char* kModuleBoxPrefix = "Module";  // followed by 1 .. 32
inline constexpr const char* kGroupDo = "DO";
inline constexpr const char* kGroupDi = "DI";
inline constexpr const char* kGroupAo = "AO";
inline constexpr const char* kGroupAi = "AI";
inline constexpr const char* kButtonOutput = "Output ";  // the trailing blank is the button's own
inline constexpr const char* kButtonInput = "Input";
inline constexpr const char* kButtonSaveToFile = "Save to File";
inline constexpr const char* kButtonSaveToDevice = "Save to Device";
inline constexpr const char* kButtonAllHigh = "All set to \"H\"";
inline constexpr const char* kButtonAllLow = "All set to \"L\"";
inline constexpr const char* kButtonAllF = "All set to \"F\"";
inline constexpr const char* kButtonAllZero = "All set to \"0\"";
inline constexpr const char* kHeaderAddress = "Address";
inline constexpr const char* kHeaderBitPrefix = "bit ";  // followed by 0 .. 7
inline constexpr const char* kHeaderWord = "Configure(Hex)";

inline constexpr const char* kWordLengthError = "Error ! Data length are not 4 digit";
inline constexpr const char* kWordDigitError = "Error ! Data is not 0~9 or A~F";
inline constexpr const char* kEncodeError = "Error ! AI/AO value is not set.";
inline constexpr const char* kSendFinished = "Save Safe Value Finish.";
inline constexpr const char* kSendError = "Send Safe Value Error !";
inline constexpr const char* kSaveError = "Save Safe Value Error !";
inline constexpr const char* kReceiveFinished = "Receive Safe Value finish .";
inline constexpr const char* kReceiveError = "Receive Safe Value Error !";
inline constexpr const char* kReadError = "Read Safe Value Error !";
inline constexpr const char* kTransferBroken = "Error ! Save Safe Value break.";

inline constexpr const char* kFileFilter = "Norvik File (*.ptm)";

// Colours of a module's cells, 0x00BBGGRR: RGB(0, 255, 255) marked, white cleared.
inline constexpr uint32_t kMarkedColour = 0xFFFF00;
inline constexpr uint32_t kClearedColour = 0xFFFFFF;

// Ticks of the transfer timer a send may wait for its result before it is
// given up as a receive error.
inline constexpr uint8_t kSendWaitTicks = 10;
inline constexpr int kTransferTickMs = 1000;
}  // namespace safevalue

// The four grids, in the order the dialog creates them.
// In the order of the device areas, which the module table names for each module.
enum class SafeGrid : uint8_t { Do, Di, Ao, Ai };
inline constexpr std::array<SafeGrid, 4> kSafeGrids{SafeGrid::Do, SafeGrid::Di, SafeGrid::Ao, SafeGrid::Ai};

enum class SafeValueView : uint8_t { Output, Input };
enum class DialogMode : uint8_t { NewSetting, LoadFromFile, LoadFromDevice };

bool isDigitalGrid(SafeGrid grid);
const char* safeGridCaption(SafeGrid grid);
// Rows (the header row included) and columns of a grid under a layout.
int safeGridRows(SafeGrid grid, SafeValueLayout layout);
int safeGridColumns(SafeGrid grid);
// A cell's text as the grid shows it: headers, row labels, "H"/"L"/"" for a
// bit, four hex digits or "" for a word. Empty outside the grid.
std::string safeGridText(const SafeValueTable& table, SafeGrid grid, int row, int column);

// A word typed into a cell: exactly four characters (counted as characters,
// not bytes, in the UTF-8 the grid holds), each an ASCII hex digit in either case.
struct WordCheck {
    const char* refusal = nullptr;  // the message when the text is refused
    uint16_t value = 0;
    std::string text;  // upper case, as the cell shows it once accepted
};
WordCheck checkWordText(std::string_view text);

// The cells a module occupies: a run of bits or words of one grid, already cut
// to the grid's end, so [first, end) never reaches past the table.
struct ModuleMarks {
    SafeGrid grid;
    const char* kind;  // "WDO", "RDI", "WAO", "RAI", "RDO" or "RAO"
    uint32_t first;
    uint32_t end;
};
std::optional<ModuleMarks> safeValueModuleMarks(const GatewayConfig& config, int k, SafeValueLayout layout);
// Grid row and column of bit or word `index` of a grid.
struct SafeCell {
    int row;
    int column;
};
SafeCell safeGridCell(SafeGrid grid, uint32_t index);

// Which of the 32 module boxes may be clicked (index k - 1 for box k): the
// modules the gateway has, except the system module's own place.
std::array<bool, 32> safeValueModuleBoxes(const GatewayConfig& config);

// The file dialogs' filter, proposed name and default suffix.
FileChoice safeValueFileChoice();

// What the editor asks of the dialog that shows it.
class SafeValueWindow {
public:
    virtual ~SafeValueWindow() = default;
    // Runs or stops the transfer timer, and disables or enables "Save to Device".
    virtual void setTransferRunning(bool running) = 0;
    // Shows every data cell of a grid again from the table.
    virtual void showGrid(SafeGrid grid) = 0;
    virtual void colourCell(SafeGrid grid, int row, int column, uint32_t colour) = 0;
    virtual void uncheckModuleBox(int k) = 0;
    // Repaints the four grids after a batch of colour changes.
    virtual void redrawGrids() = 0;
};

class SafeValueEditor {
public:
    // The mode is the code the menu left in safeValueTransfer; the table is
    // built for the layout in force now, with defaults for a new setting only.
    SafeValueEditor(LinkSession& session, const GatewayConfig& config, UserPrompts& prompts,
                    SafeValueWindow& window);

    // The mode's first step, once the window shows the grids: a load request
    // to the gateway, or the file the user chooses.
    void start();

    DialogMode mode() const { return mode_; }
    // The layout the table, and so the grids, were built for.
    SafeValueLayout layout() const { return layout_; }
    const SafeValueTable& table() const { return table_; }
    std::string cellText(SafeGrid grid, int row, int column) const {
        return safeGridText(table_, grid, row, column);
    }

    SafeValueView view() const { return view_; }
    void setView(SafeValueView view) { view_ = view; }
    SafeGrid visibleDigitalGrid() const { return view_ == SafeValueView::Output ? SafeGrid::Do : SafeGrid::Di; }
    SafeGrid visibleAnalogGrid() const { return view_ == SafeValueView::Output ? SafeGrid::Ao : SafeGrid::Ai; }

    // The "All set to" buttons: the area of the view shown.
    void setAllBits(SafeBit state);
    void setAllWords(uint16_t value);

    // A double-click: "H" and "L" swap, anything else stays. True when the bit changed.
    bool toggleBit(SafeGrid grid, int row, int column);
    // The end of an in-place edit: the word takes the text's value, or the
    // user is told why not and nothing changes. The text to show, or nothing
    // when the grid is to put the old text back.
    std::optional<std::string> editWord(SafeGrid grid, int row, int column, std::string_view text);

    // Module box k clicked into the state `checked`.
    void clickModule(int k, bool checked);
    int checkedModule() const { return checkedModule_; }

    void saveToFile();
    void saveToDevice();
    // One tick of the transfer timer.
    void transferTick();
    bool transferRunning() const { return transferRunning_; }
    uint8_t sendWaitTicks() const { return sendWaitTicks_; }

private:
    void loadFromFile();
    void requestLoad();
    void setTransferRunning(bool running);
    void markModule(int k, bool on);
    void showAllGrids();
    void message(const char* text);

    LinkSession& session_;
    const GatewayConfig& config_;
    UserPrompts& prompts_;
    SafeValueWindow& window_;
    DialogMode mode_;
    SafeValueLayout layout_;
    SafeValueTable table_;
    SafeValueView view_ = SafeValueView::Output;
    int checkedModule_ = 0;
    bool transferRunning_ = false;
    uint8_t sendWaitTicks_ = 0;
};

}  // namespace norvik
