#pragma once
// The grid's cell model: counts, cells, default cells and the rule by which a user's
// change of a cell's text is offered to the owner. The window half (GridWidget) only
// paints this model and forwards the user's actions to it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace norvik {

// 0x00BBGGRR, red in the low byte.
using GridColour = uint32_t;

// A cell holding this colour has none of its own and takes its default cell's.
inline constexpr GridColour kNoColour = 0xFF000000;
inline constexpr GridColour HeaderGrey = 0xC8C8C8;

// The text colour to draw on `back`: `preferred` while it stands out enough to be read
// (a contrast ratio of at least 4.5 to 1), else black or white, whichever stands out more.
GridColour readableTextOn(GridColour back, GridColour preferred);

namespace GridState {
inline constexpr uint32_t Focused = 0x01;
inline constexpr uint32_t Selected = 0x02;
inline constexpr uint32_t ReadOnly = 0x08;
inline constexpr uint32_t Fixed = 0x10;
inline constexpr uint32_t FixedRow = 0x20;
inline constexpr uint32_t FixedCol = 0x40;
inline constexpr uint32_t Modified = 0x80;
}  // namespace GridState

struct GridFont {
    std::string family;
    int pointSize = 0;
    int weight = 400;
    bool italic = false;
    friend bool operator==(const GridFont&, const GridFont&) = default;
};

struct CellId {
    int row = -1;
    int column = -1;
    friend bool operator==(const CellId&, const CellId&) = default;
};

// One cell. Its format is how the window draws its text; the model only keeps it
// and hands it on to the cells added later, from their default cell.
class GridCell {
public:
    GridCell() = default;
    GridCell(const GridCell& other);
    GridCell& operator=(const GridCell& other);
    GridCell(GridCell&&) noexcept = default;
    GridCell& operator=(GridCell&&) noexcept = default;

    void setText(const std::string& text) { text_ = text; }
    void setState(uint32_t state) { state_ = state; }
    void setFormat(uint32_t format) { format_ = format; }
    void setTextColour(GridColour colour) { textColour_ = colour; }
    void setBackColour(GridColour colour) { backColour_ = colour; }
    void setFont(const GridFont* font);
    void setMargin(int margin) { margin_ = margin; }
    const std::string& getText() const { return text_; }
    uint32_t getState() const { return state_; }
    uint32_t getFormat() const { return format_; }
    GridColour textColour() const { return textColour_; }
    GridColour backColour() const { return backColour_; }
    const GridFont* getFont() const { return font_.get(); }
    int getMargin() const { return margin_; }

    bool isEditing() const { return editing_; }
    void setEditing(bool on) { editing_ = on; }

private:
    uint32_t state_ = 0;
    std::string text_;
    uint32_t format_ = 0;
    GridColour textColour_ = kNoColour;
    GridColour backColour_ = kNoColour;
    std::unique_ptr<GridFont> font_;
    int margin_ = -1;
    bool editing_ = false;
};

// The look that new cells and the fixed cells of one kind take: a cell's format
// and colours, plus the default size and font. It is no cell of the grid, so it
// is never edited.
class GridDefaultCell : public GridCell {
public:
    GridDefaultCell();
    void setState(uint32_t) = delete;

    int width = 40;
    int height = 16;
    GridFont font;
};

// Pixel extent of a text in a font; the window half measures with the toolkit's metrics.
struct TextExtent {
    int width = 0;
    int height = 0;
};
using TextMeasurer = std::function<TextExtent(std::string_view text, const GridFont& font)>;

class GridModel {
public:
    // Asked before a user's change of a cell's text begins; false refuses it.
    using EditGate = std::function<bool(int row, int column)>;
    // Asked once the user's new text stands in the cell; false puts the old text back.
    using EditValidator = std::function<bool(int row, int column, const std::string& text)>;

    GridModel();

    int getRowCount() const { return rowCount_; }
    int getColumnCount() const { return columnCount_; }
    int getFixedRowCount() const { return fixedRowCount_; }
    int getFixedColumnCount() const { return fixedColumnCount_; }

    bool setRowCount(int n);
    bool setColumnCount(int n);
    bool setFixedRowCount(int n);
    bool setFixedColumnCount(int n);

    // Fills the size tables with the default sizes, as window creation does.
    void resetSizes();
    int getRowHeight(int row) const;
    int getColumnWidth(int column) const;
    bool setRowHeight(int row, int height);
    bool setColumnWidth(int column, int width);
    const std::vector<int>& rowHeights() const { return rowHeights_; }
    const std::vector<int>& columnWidths() const { return columnWidths_; }

    bool isValid(int row, int column) const;
    bool isFixed(int row, int column) const { return row < fixedRowCount_ || column < fixedColumnCount_; }
    GridCell* getCell(int row, int column);
    const GridCell* getCell(int row, int column) const;
    std::string getItemText(int row, int column) const;
    // Text and format, as the dialogs fill their grids; the colours stay as they are.
    bool setItem(int row, int column, const std::string& text, uint32_t format);
    bool setItemBackground(int row, int column, GridColour colour);
    bool setItemText(int row, int column, const std::string& text);
    void markModified(int row, int column);
    bool isModified() const { return modified_; }
    void clearModified() { modified_ = false; }

    GridDefaultCell& defaultCell() { return defaults_[0]; }
    GridDefaultCell& fixedRowDefaultCell() { return defaults_[1]; }
    GridDefaultCell& fixedColumnDefaultCell() { return defaults_[2]; }
    GridDefaultCell& cornerDefaultCell() { return defaults_[3]; }
    const GridDefaultCell& defaultCellFor(int row, int column) const;
    // The same default cell for every cell kind, before anything was set on them.
    void setDefaultMetrics(int width, int height, int margin, const GridFont& font);

    // Colours a cell is painted with, after falling back to its default cell and
    // then to the grid's own colours. A text colour the cell and its default cell
    // leave open is the grid's, unless that would not read on the cell's background.
    GridColour backColourOf(int row, int column) const;
    GridColour textColourOf(int row, int column) const;
    const GridFont& fontOf(int row, int column) const;
    int marginOf(int row, int column) const;

    GridColour gridTextColour = 0x000000;
    GridColour gridBackColour = 0xFFFFFF;
    GridColour fixedBackColour = 0xF0F0F0;
    GridColour gridLineColour = 0xA0A0A0;

    bool editable = true;

    CellId focusCell() const { return focus_; }
    void setFocusCell(CellId cell);
    // Selected cells form one rectangle; an invalid corner clears the selection.
    void setSelectedRange(CellId from, CellId to);
    void clearSelection() { setSelectedRange({}, {}); }
    struct Range {
        int top = -1, left = -1, bottom = -2, right = -2;
        bool empty() const { return bottom < top || right < left; }
    };
    Range selectedRange() const { return selection_; }

    void setEditGate(EditGate gate) { gate_ = std::move(gate); }
    void setEditValidator(EditValidator validator) { validator_ = std::move(validator); }

    // Whether the user may start changing a cell: the grid is editable, the cell is not
    // read-only, and the gate agrees.
    bool beginUserEdit(int row, int column);
    enum class EditOutcome { Unchanged, Accepted, Rejected };
    // Once the change was allowed to begin: stores a different text, marks the cell
    // modified and asks the validator, which may refuse and so bring the old text back.
    EditOutcome endUserEdit(int row, int column, const std::string& text);
    // Both halves at once, for paste, cut, Delete and assistive tools.
    EditOutcome changeTextByUser(int row, int column, const std::string& text);
    bool isEditable(int row, int column) const;

    // Fits every column to its widest cell and every row to its tallest; hidden ones stay.
    void autoSize(const TextMeasurer& measure);
    bool autoSizeColumn(int column, const TextMeasurer& measure);
    bool autoSizeRow(int row, const TextMeasurer& measure);
    TextExtent cellExtent(int row, int column, const TextMeasurer& measure) const;

private:
    uint32_t fixedBits(int row, int column) const;
    void refreshFixedBits(int firstRow, int endRow, int firstColumn, int endColumn);
    void setStateBits(const Range& range, uint32_t bits, bool on);

    int rowCount_ = 0;
    int columnCount_ = 0;
    int fixedRowCount_ = 0;
    int fixedColumnCount_ = 0;
    std::vector<std::vector<GridCell>> rows_;
    std::vector<int> rowHeights_;
    std::vector<int> columnWidths_;
    GridDefaultCell defaults_[4];
    bool modified_ = false;
    CellId focus_;
    Range selection_;
    EditGate gate_;
    EditValidator validator_;
};

}  // namespace norvik
