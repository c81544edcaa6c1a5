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

#include "editors/transfer_job.h"
#include "link/gateway_jobs.h"
#include "link/link_session.h"
#include "link/user_prompts.h"
#include "model/gateway_config.h"
#include "safevalue/safe_value.h"

namespace norvik {

namespace safevalue {
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

bool isDigitalGrid(SafeGrid grid);
// Rows (the header row included) and columns of a grid under a layout.
int safeGridRows(SafeGrid grid, SafeValueLayout layout);
int safeGridColumns(SafeGrid grid);
// A cell's text as the grid shows it: row labels, "H"/"L"/"" for a bit, four
// hex digits or "" for a word. Empty outside the grid and in the header row,
// whose words are the window's.
std::string safeGridText(const SafeValueTable& table, SafeGrid grid, int row, int column);

// A word typed into a cell: exactly four characters (counted as characters,
// not bytes, in the UTF-8 the grid holds), each an ASCII hex digit in either case.
struct WordCheck {
    std::optional<EditorMessage> refusal;  // why the text is refused
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
    // A box with an OK button; returns when it is closed.
    virtual void tell(EditorMessage message) = 0;
};

class SafeValueEditor {
public:
    // The table is built for the layout in force now, with defaults for a
    // new setting only. Transfers are asked of `jobs`.
    SafeValueEditor(DialogMode mode, const LinkSession& session, const GatewayConfig& config, GatewayJobs& jobs,
                    UserPrompts& prompts, SafeValueWindow& window);

    // The mode's first step, once the window shows the grids: a load request
    // to the gateway, or the file the user chooses.
    void start();

    DialogMode mode() const { return mode_; }
    // The layout the table, and so the grids, were built for.
    SafeValueLayout layout() const { return layout_; }
    const SafeValueTable& table() const { return table_; }
    std::string cellText(SafeGrid grid, int row, int column) const { return safeGridText(table_, grid, row, column); }

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
    void finish(const JobResult& end);

    const LinkSession& session_;
    const GatewayConfig& config_;
    UserPrompts& prompts_;
    SafeValueWindow& window_;
    DialogJob job_;
    DialogMode mode_;
    SafeValueLayout layout_;
    SafeValueTable table_;
    SafeValueView view_ = SafeValueView::Output;
    int checkedModule_ = 0;
    bool transferRunning_ = false;
    bool sending_ = false;
    uint8_t sendWaitTicks_ = 0;
};

}  // namespace norvik
