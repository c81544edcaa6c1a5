#include "grid/grid_model.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace norvik {

namespace {

// Relative luminance of an sRGB colour, 0 for black to 1 for white.
double luminance(GridColour colour) {
    auto channel = [colour](int shift) {
        const double c = static_cast<double>((colour >> shift) & 0xFFu) / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(0) + 0.7152 * channel(8) + 0.0722 * channel(16);
}

double contrast(GridColour a, GridColour b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

constexpr double kReadableContrast = 4.5;
constexpr GridColour kBlack = 0x000000;
constexpr GridColour kWhite = 0xFFFFFF;

}  // namespace

GridColour readableTextOn(GridColour back, GridColour preferred) {
    if (contrast(back, preferred) >= kReadableContrast) return preferred;
    return contrast(back, kBlack) >= contrast(back, kWhite) ? kBlack : kWhite;
}

GridCell::GridCell(const GridCell& other)
    : state_(other.state_),
      text_(other.text_),
      format_(other.format_),
      textColour_(other.textColour_),
      backColour_(other.backColour_),
      font_(other.font_ ? std::make_unique<GridFont>(*other.font_) : nullptr),
      margin_(other.margin_),
      editing_(false) {}

GridCell& GridCell::operator=(const GridCell& other) {
    if (this != &other) {
        GridCell copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void GridCell::setFont(const GridFont* font) { font_ = font ? std::make_unique<GridFont>(*font) : nullptr; }

GridDefaultCell::GridDefaultCell() {
    GridCell::setState(GridState::ReadOnly);
    setMargin(3);
}

GridModel::GridModel() = default;

void GridModel::setDefaultMetrics(int width, int height, int margin, const GridFont& font) {
    for (auto& cell : defaults_) {
        cell.width = width;
        cell.height = height;
        cell.setMargin(margin);
        cell.font = font;
    }
}

uint32_t GridModel::fixedBits(int row, int column) const {
    uint32_t bits = 0;
    if (row < fixedRowCount_) bits |= GridState::Fixed | GridState::FixedRow;
    if (column < fixedColumnCount_) bits |= GridState::Fixed | GridState::FixedCol;
    return bits;
}

void GridModel::refreshFixedBits(int firstRow, int endRow, int firstColumn, int endColumn) {
    constexpr uint32_t all = GridState::Fixed | GridState::FixedRow | GridState::FixedCol;
    endRow = std::min(endRow, rowCount_);
    endColumn = std::min(endColumn, columnCount_);
    for (int r = std::max(firstRow, 0); r < endRow; ++r) {
        for (int c = std::max(firstColumn, 0); c < endColumn; ++c) {
            GridCell& cell = rows_[r][c];
            cell.setState((cell.getState() & ~all) | fixedBits(r, c));
        }
    }
}

bool GridModel::setRowCount(int n) {
    if (n < 0) return false;
    if (n == rowCount_) return true;
    try {
        const int oldCount = rowCount_;
        rows_.resize(static_cast<std::size_t>(n));
        rowHeights_.resize(static_cast<std::size_t>(n), defaultCell().height);
        for (int r = oldCount; r < n; ++r) {
            rows_[r].resize(static_cast<std::size_t>(columnCount_));
            for (int c = 0; c < columnCount_; ++c) {
                rows_[r][c].setFormat(defaultCellFor(r, c).getFormat());
                rows_[r][c].setState(fixedBits(r, c));
            }
        }
    } catch (const std::bad_alloc&) {
        rows_.resize(static_cast<std::size_t>(rowCount_));
        rowHeights_.resize(static_cast<std::size_t>(rowCount_), defaultCell().height);
        return false;
    }
    rowCount_ = n;
    if (fixedRowCount_ > n) fixedRowCount_ = n;
    if (focus_.row >= n) setFocusCell({});
    if (selection_.bottom >= n) clearSelection();
    return true;
}

bool GridModel::setColumnCount(int n) {
    if (n < 0) return false;
    if (n == columnCount_) return true;
    const int oldCount = columnCount_;
    try {
        columnWidths_.resize(static_cast<std::size_t>(n), defaultCell().width);
        for (auto& row : rows_) row.resize(static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        columnWidths_.resize(static_cast<std::size_t>(oldCount), defaultCell().width);
        for (auto& row : rows_) row.resize(static_cast<std::size_t>(oldCount));
        return false;
    }
    columnCount_ = n;
    for (int r = 0; r < rowCount_; ++r) {
        for (int c = oldCount; c < n; ++c) {
            rows_[r][c].setFormat(defaultCellFor(r, c).getFormat());
            rows_[r][c].setState(fixedBits(r, c));
        }
    }
    if (fixedColumnCount_ > n) fixedColumnCount_ = n;
    if (focus_.column >= n) setFocusCell({});
    if (selection_.right >= n) clearSelection();
    return true;
}

bool GridModel::setFixedRowCount(int n) {
    if (n < 0) return false;
    if (n == fixedRowCount_) return true;
    if (n > rowCount_ && !setRowCount(n)) return false;
    const int oldCount = fixedRowCount_;
    clearSelection();
    setFocusCell({});
    fixedRowCount_ = n;
    refreshFixedBits(std::min(oldCount, n), std::max(oldCount, n), 0, columnCount_);
    return true;
}

bool GridModel::setFixedColumnCount(int n) {
    if (n < 0) return false;
    if (n == fixedColumnCount_) return true;
    if (n > columnCount_ && !setColumnCount(n)) return false;
    const int oldCount = fixedColumnCount_;
    clearSelection();
    setFocusCell({});
    fixedColumnCount_ = n;
    refreshFixedBits(0, rowCount_, std::min(oldCount, n), std::max(oldCount, n));
    return true;
}

void GridModel::resetSizes() {
    rowHeights_.assign(static_cast<std::size_t>(rowCount_), defaultCell().height);
    columnWidths_.assign(static_cast<std::size_t>(columnCount_), defaultCell().width);
}

int GridModel::getRowHeight(int row) const { return row >= 0 && row < rowCount_ ? rowHeights_[row] : -1; }

int GridModel::getColumnWidth(int column) const {
    return column >= 0 && column < columnCount_ ? columnWidths_[column] : -1;
}

bool GridModel::setRowHeight(int row, int height) {
    if (row < 0 || row >= rowCount_ || height < 0) return false;
    rowHeights_[row] = height;
    return true;
}

bool GridModel::setColumnWidth(int column, int width) {
    if (column < 0 || column >= columnCount_ || width < 0) return false;
    columnWidths_[column] = width;
    return true;
}

bool GridModel::isValid(int row, int column) const {
    return row >= 0 && row < rowCount_ && column >= 0 && column < columnCount_;
}

GridCell* GridModel::getCell(int row, int column) { return isValid(row, column) ? &rows_[row][column] : nullptr; }

const GridCell* GridModel::getCell(int row, int column) const {
    return isValid(row, column) ? &rows_[row][column] : nullptr;
}

std::string GridModel::getItemText(int row, int column) const {
    const GridCell* cell = getCell(row, column);
    return cell ? cell->getText() : std::string();
}

bool GridModel::setItem(int row, int column, const std::string& text, uint32_t format) {
    GridCell* cell = getCell(row, column);
    if (!cell) return false;
    markModified(row, column);
    cell->setText(text);
    cell->setFormat(format);
    return true;
}

bool GridModel::setItemBackground(int row, int column, GridColour colour) {
    GridCell* cell = getCell(row, column);
    if (!cell) return false;
    cell->setBackColour(colour);
    return true;
}

bool GridModel::setItemText(int row, int column, const std::string& text) {
    GridCell* cell = getCell(row, column);
    if (!cell) return false;
    cell->setText(text);
    return true;
}

void GridModel::markModified(int row, int column) {
    GridCell* cell = getCell(row, column);
    if (!cell) return;
    cell->setState(cell->getState() | GridState::Modified);
    modified_ = true;
}

const GridDefaultCell& GridModel::defaultCellFor(int row, int column) const {
    const bool inFixedRow = row < fixedRowCount_;
    const bool inFixedColumn = column < fixedColumnCount_;
    if (inFixedRow && inFixedColumn) return defaults_[3];
    if (inFixedRow) return defaults_[1];
    if (inFixedColumn) return defaults_[2];
    return defaults_[0];
}

GridColour GridModel::backColourOf(int row, int column) const {
    const GridCell* cell = getCell(row, column);
    if (cell && cell->backColour() != kNoColour) return cell->backColour();
    const GridColour fallback = defaultCellFor(row, column).backColour();
    if (fallback != kNoColour) return fallback;
    return isFixed(row, column) ? fixedBackColour : gridBackColour;
}

GridColour GridModel::textColourOf(int row, int column) const {
    const GridCell* cell = getCell(row, column);
    if (cell && cell->textColour() != kNoColour) return cell->textColour();
    const GridColour fallback = defaultCellFor(row, column).textColour();
    if (fallback != kNoColour) return fallback;
    // The grid's text colour follows the palette, a background set on the cell or
    // its default cell does not: the views' grey headers must not get a dark
    // palette's light text.
    return readableTextOn(backColourOf(row, column), gridTextColour);
}

const GridFont& GridModel::fontOf(int row, int column) const {
    const GridCell* cell = getCell(row, column);
    if (cell && cell->getFont()) return *cell->getFont();
    return defaultCellFor(row, column).font;
}

int GridModel::marginOf(int row, int column) const {
    const GridCell* cell = getCell(row, column);
    if (cell && cell->getMargin() >= 0) return cell->getMargin();
    return defaultCellFor(row, column).getMargin();
}

void GridModel::setStateBits(const Range& range, uint32_t bits, bool on) {
    if (range.empty()) return;
    for (int r = std::max(range.top, 0); r <= range.bottom && r < rowCount_; ++r) {
        for (int c = std::max(range.left, 0); c <= range.right && c < columnCount_; ++c) {
            GridCell& cell = rows_[r][c];
            cell.setState(on ? (cell.getState() | bits) : (cell.getState() & ~bits));
        }
    }
}

void GridModel::setFocusCell(CellId cell) {
    if (isValid(focus_.row, focus_.column)) {
        setStateBits({focus_.row, focus_.column, focus_.row, focus_.column}, GridState::Focused, false);
    }
    focus_ = isValid(cell.row, cell.column) ? cell : CellId{};
    if (focus_.row >= 0) {
        setStateBits({focus_.row, focus_.column, focus_.row, focus_.column}, GridState::Focused, true);
    }
}

void GridModel::setSelectedRange(CellId from, CellId to) {
    setStateBits(selection_, GridState::Selected, false);
    selection_ = Range{};
    if (!isValid(from.row, from.column) || !isValid(to.row, to.column)) return;
    selection_ = Range{std::min(from.row, to.row), std::min(from.column, to.column), std::max(from.row, to.row),
                       std::max(from.column, to.column)};
    setStateBits(selection_, GridState::Selected, true);
}

bool GridModel::isEditable(int row, int column) const {
    const GridCell* cell = getCell(row, column);
    return editable && cell && !(cell->getState() & GridState::ReadOnly);
}

bool GridModel::beginUserEdit(int row, int column) {
    if (!isEditable(row, column)) return false;
    return !gate_ || gate_(row, column);
}

GridModel::EditOutcome GridModel::endUserEdit(int row, int column, const std::string& text) {
    GridCell* cell = getCell(row, column);
    if (!cell || cell->getText() == text) return EditOutcome::Unchanged;
    const std::string oldText = cell->getText();
    cell->setText(text);
    markModified(row, column);
    const bool accepted = !validator_ || validator_(row, column, text);
    // The validator may have resized the grid; look the cell up again.
    cell = getCell(row, column);
    if (!cell) return EditOutcome::Rejected;
    if (accepted) {
        markModified(row, column);
        return EditOutcome::Accepted;
    }
    cell->setText(oldText);
    return EditOutcome::Rejected;
}

GridModel::EditOutcome GridModel::changeTextByUser(int row, int column, const std::string& text) {
    if (!beginUserEdit(row, column)) return EditOutcome::Rejected;
    return endUserEdit(row, column, text);
}

TextExtent GridModel::cellExtent(int row, int column, const TextMeasurer& measure) const {
    const GridCell* cell = getCell(row, column);
    if (!cell) return {};
    const std::string_view text = cell->getText();
    const GridFont& font = fontOf(row, column);
    TextExtent extent;
    std::size_t start = 0;
    // Only the widest line counts towards the width; the lines stack up in height.
    while (true) {
        const std::size_t end = text.find('\n', start);
        const TextExtent line =
            measure(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start), font);
        extent.width = std::max(extent.width, line.width);
        extent.height += line.height;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    const int extra = isFixed(row, column) ? 2 : 1;
    extent.width += 2 * marginOf(row, column) + extra;
    extent.height += extra;
    return extent;
}

bool GridModel::autoSizeColumn(int column, const TextMeasurer& measure) {
    if (column < 0 || column >= columnCount_) return false;
    if (columnWidths_[column] == 0) return true;
    int width = 0;
    for (int r = 0; r < rowCount_; ++r) width = std::max(width, cellExtent(r, column, measure).width);
    columnWidths_[column] = width;
    return true;
}

bool GridModel::autoSizeRow(int row, const TextMeasurer& measure) {
    if (row < 0 || row >= rowCount_) return false;
    if (rowHeights_[row] == 0) return true;
    int height = 0;
    for (int c = 0; c < columnCount_; ++c) height = std::max(height, cellExtent(row, c, measure).height);
    rowHeights_[row] = height;
    return true;
}

void GridModel::autoSize(const TextMeasurer& measure) {
    std::vector<int> widths(static_cast<std::size_t>(columnCount_), 0);
    std::vector<int> heights(static_cast<std::size_t>(rowCount_), 0);
    for (int r = 0; r < rowCount_; ++r) {
        for (int c = 0; c < columnCount_; ++c) {
            const TextExtent extent = cellExtent(r, c, measure);
            widths[c] = std::max(widths[c], extent.width);
            heights[r] = std::max(heights[r], extent.height);
        }
    }
    for (int c = 0; c < columnCount_; ++c) {
        if (columnWidths_[c] != 0) columnWidths_[c] = widths[c];
    }
    for (int r = 0; r < rowCount_; ++r) {
        if (rowHeights_[r] != 0) rowHeights_[r] = heights[r];
    }
}

}  // namespace norvik
