#include "grid/grid_model.h"

#include <algorithm>
#include <new>

namespace norvik {

namespace {

constexpr uint32_t kDefaultFormat =
    GridFormat::VCenter | GridFormat::SingleLine | GridFormat::NoPrefix | GridFormat::EndEllipsis;

}  // namespace

GridCell::GridCell(const GridCell& other)
    : state_(other.state_),
      text_(other.text_),
      param_(other.param_),
      image_(other.image_),
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

void GridCell::SetFont(const GridFont* font) {
    font_ = font ? std::make_unique<GridFont>(*font) : nullptr;
}

GridDefaultCell::GridDefaultCell() {
    SetFormat(kDefaultFormat);
    SetMargin(3);
}

GridModel::GridModel() = default;

void GridModel::setDefaultMetrics(int width, int height, int margin, const GridFont& font) {
    for (auto& cell : defaults_) {
        cell.width = width;
        cell.height = height;
        cell.SetMargin(margin);
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
            cell.SetState((cell.GetState() & ~all) | fixedBits(r, c));
        }
    }
}

bool GridModel::SetRowCount(int n) {
    if (n < 0) return false;
    if (n == rowCount_) return true;
    try {
        const int oldCount = rowCount_;
        rows_.resize(static_cast<std::size_t>(n));
        rowHeights_.resize(static_cast<std::size_t>(n), defaultCell().height);
        for (int r = oldCount; r < n; ++r) {
            rows_[r].resize(static_cast<std::size_t>(columnCount_));
            for (int c = 0; c < columnCount_; ++c) {
                rows_[r][c].SetFormat(defaultCellFor(r, c).GetFormat());
                rows_[r][c].SetState(fixedBits(r, c));
            }
        }
    } catch (const std::bad_alloc&) {
        rows_.resize(static_cast<std::size_t>(rowCount_));
        rowHeights_.resize(static_cast<std::size_t>(rowCount_), defaultCell().height);
        return false;
    }
    rowCount_ = n;
    if (fixedRowCount_ > n) fixedRowCount_ = n;
    if (focus_.row >= n) SetFocusCell({});
    if (selection_.bottom >= n) clearSelection();
    return true;
}

bool GridModel::SetColumnCount(int n) {
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
            rows_[r][c].SetFormat(defaultCellFor(r, c).GetFormat());
            rows_[r][c].SetState(fixedBits(r, c));
        }
    }
    if (fixedColumnCount_ > n) fixedColumnCount_ = n;
    if (focus_.column >= n) SetFocusCell({});
    if (selection_.right >= n) clearSelection();
    return true;
}

bool GridModel::SetFixedRowCount(int n) {
    if (n < 0) return false;
    if (n == fixedRowCount_) return true;
    if (n > rowCount_ && !SetRowCount(n)) return false;
    const int oldCount = fixedRowCount_;
    clearSelection();
    SetFocusCell({});
    fixedRowCount_ = n;
    refreshFixedBits(std::min(oldCount, n), std::max(oldCount, n), 0, columnCount_);
    return true;
}

bool GridModel::SetFixedColumnCount(int n) {
    if (n < 0) return false;
    if (n == fixedColumnCount_) return true;
    if (n > columnCount_ && !SetColumnCount(n)) return false;
    const int oldCount = fixedColumnCount_;
    clearSelection();
    SetFocusCell({});
    fixedColumnCount_ = n;
    refreshFixedBits(0, rowCount_, std::min(oldCount, n), std::max(oldCount, n));
    return true;
}

void GridModel::resetSizes() {
    rowHeights_.assign(static_cast<std::size_t>(rowCount_), defaultCell().height);
    columnWidths_.assign(static_cast<std::size_t>(columnCount_), defaultCell().width);
}

int GridModel::GetRowHeight(int row) const {
    return row >= 0 && row < rowCount_ ? rowHeights_[row] : -1;
}

int GridModel::GetColumnWidth(int column) const {
    return column >= 0 && column < columnCount_ ? columnWidths_[column] : -1;
}

bool GridModel::SetRowHeight(int row, int height) {
    if (row < 0 || row >= rowCount_ || height < 0) return false;
    rowHeights_[row] = height;
    return true;
}

bool GridModel::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= columnCount_ || width < 0) return false;
    columnWidths_[column] = width;
    return true;
}

bool GridModel::isValid(int row, int column) const {
    return row >= 0 && row < rowCount_ && column >= 0 && column < columnCount_;
}

GridCell* GridModel::GetCell(int row, int column) {
    return isValid(row, column) ? &rows_[row][column] : nullptr;
}

const GridCell* GridModel::GetCell(int row, int column) const {
    return isValid(row, column) ? &rows_[row][column] : nullptr;
}

std::string GridModel::GetItemText(int row, int column) const {
    const GridCell* cell = GetCell(row, column);
    return cell ? cell->GetText() : std::string();
}

bool GridModel::SetItem(const GridItem& item) {
    GridCell* cell = GetCell(item.row, item.column);
    if (!cell) return false;
    MarkModified(item.row, item.column);
    if (item.mask & GridMask::Text) cell->SetText(item.text);
    if (item.mask & GridMask::Param) cell->SetData(item.param);
    if (item.mask & GridMask::Image) cell->SetImage(item.image);
    if (item.mask & GridMask::State) cell->SetState(item.state);
    if (item.mask & GridMask::Format) cell->SetFormat(item.format);
    if (item.mask & GridMask::BackColour) cell->SetBackColor(item.backColour);
    if (item.mask & GridMask::TextColour) cell->SetTextClr(item.textColour);
    if (item.mask & GridMask::Font) cell->SetFont(&item.font);
    if (item.mask & GridMask::Margin) cell->SetMargin(static_cast<int>(item.margin));
    return true;
}

bool GridModel::SetItemBackground(int row, int column, GridColour colour) {
    GridCell* cell = GetCell(row, column);
    if (!cell) return false;
    cell->SetBackColor(colour);
    return true;
}

bool GridModel::SetItemText(int row, int column, const std::string& text) {
    GridCell* cell = GetCell(row, column);
    if (!cell) return false;
    cell->SetText(text);
    return true;
}

void GridModel::MarkModified(int row, int column) {
    GridCell* cell = GetCell(row, column);
    if (!cell) return;
    cell->SetState(cell->GetState() | GridState::Modified);
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
    const GridCell* cell = GetCell(row, column);
    if (cell && cell->GetBackClr() != kNoColour) return cell->GetBackClr();
    const GridColour fallback = defaultCellFor(row, column).GetBackClr();
    if (fallback != kNoColour) return fallback;
    return isFixed(row, column) ? fixedBackColour : gridBackColour;
}

GridColour GridModel::textColourOf(int row, int column) const {
    const GridCell* cell = GetCell(row, column);
    if (cell && cell->GetTextClr() != kNoColour) return cell->GetTextClr();
    const GridColour fallback = defaultCellFor(row, column).GetTextClr();
    return fallback != kNoColour ? fallback : gridTextColour;
}

const GridFont& GridModel::fontOf(int row, int column) const {
    const GridCell* cell = GetCell(row, column);
    if (cell && cell->GetFont()) return *cell->GetFont();
    return defaultCellFor(row, column).font;
}

int GridModel::marginOf(int row, int column) const {
    const GridCell* cell = GetCell(row, column);
    if (cell && cell->GetMargin() >= 0) return cell->GetMargin();
    return defaultCellFor(row, column).GetMargin();
}

void GridModel::setStateBits(const Range& range, uint32_t bits, bool on) {
    if (range.empty()) return;
    for (int r = std::max(range.top, 0); r <= range.bottom && r < rowCount_; ++r) {
        for (int c = std::max(range.left, 0); c <= range.right && c < columnCount_; ++c) {
            GridCell& cell = rows_[r][c];
            cell.SetState(on ? (cell.GetState() | bits) : (cell.GetState() & ~bits));
        }
    }
}

void GridModel::SetFocusCell(CellId cell) {
    if (isValid(focus_.row, focus_.column)) {
        setStateBits({focus_.row, focus_.column, focus_.row, focus_.column}, GridState::Focused, false);
    }
    focus_ = isValid(cell.row, cell.column) ? cell : CellId{};
    if (focus_.row >= 0) {
        setStateBits({focus_.row, focus_.column, focus_.row, focus_.column}, GridState::Focused, true);
    }
}

void GridModel::SetSelectedRange(CellId from, CellId to) {
    setStateBits(selection_, GridState::Selected, false);
    selection_ = Range{};
    if (!isValid(from.row, from.column) || !isValid(to.row, to.column)) return;
    selection_ = Range{std::min(from.row, to.row), std::min(from.column, to.column),
                       std::max(from.row, to.row), std::max(from.column, to.column)};
    setStateBits(selection_, GridState::Selected, true);
}

int GridModel::notify(int code, int row, int column) const {
    if (!owner_) return 0;
    return owner_(GridNotification{sender_, controlId_, code, row, column});
}

bool GridModel::isEditable(int row, int column) const {
    const GridCell* cell = GetCell(row, column);
    return editable && cell && !(cell->GetState() & GridState::ReadOnly);
}

bool GridModel::beginUserEdit(int row, int column) {
    if (!isEditable(row, column)) return false;
    return notify(GRID_BEGIN_EDIT, row, column) >= 0;
}

GridModel::EditOutcome GridModel::endUserEdit(int row, int column, const std::string& text) {
    GridCell* cell = GetCell(row, column);
    if (!cell || cell->GetText() == text) return EditOutcome::Unchanged;
    const std::string oldText = cell->GetText();
    cell->SetText(text);
    MarkModified(row, column);
    const bool valid = cell->ValidateEdit(text);
    const int result = notify(GRID_END_EDIT, row, column);
    // The owner's handler may have resized the grid; look the cell up again.
    cell = GetCell(row, column);
    if (!cell) return EditOutcome::Rejected;
    if (valid && result >= 0) {
        MarkModified(row, column);
        return EditOutcome::Accepted;
    }
    cell->SetText(oldText);
    return EditOutcome::Rejected;
}

GridModel::EditOutcome GridModel::changeTextByUser(int row, int column, const std::string& text) {
    if (!beginUserEdit(row, column)) return EditOutcome::Rejected;
    return endUserEdit(row, column, text);
}

TextExtent GridModel::cellExtent(int row, int column, const TextMeasurer& measure) const {
    const GridCell* cell = GetCell(row, column);
    if (!cell) return {};
    const std::string_view text = cell->GetText();
    const GridFont& font = fontOf(row, column);
    TextExtent extent;
    std::size_t start = 0;
    // Only the widest line counts towards the width; the lines stack up in height.
    while (true) {
        const std::size_t end = text.find('\n', start);
        const TextExtent line = measure(text.substr(start, end == std::string_view::npos
                                                               ? std::string_view::npos
                                                               : end - start),
                                        font);
        extent.width = std::max(extent.width, line.width);
        extent.height += line.height;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    const int extra = isFixed(row, column) ? 2 : 1;
    extent.width += 2 * marginOf(row, column) + extra;
    extent.height += extra;
    if (cell->GetImage() >= 0) extent.width += imageWidth;
    return extent;
}

bool GridModel::AutoSizeColumn(int column, const TextMeasurer& measure) {
    if (column < 0 || column >= columnCount_) return false;
    if (columnWidths_[column] == 0) return true;
    int width = 0;
    for (int r = 0; r < rowCount_; ++r) width = std::max(width, cellExtent(r, column, measure).width);
    columnWidths_[column] = width;
    return true;
}

bool GridModel::AutoSizeRow(int row, const TextMeasurer& measure) {
    if (row < 0 || row >= rowCount_) return false;
    if (rowHeights_[row] == 0) return true;
    int height = 0;
    for (int c = 0; c < columnCount_; ++c) height = std::max(height, cellExtent(row, c, measure).height);
    rowHeights_[row] = height;
    return true;
}

void GridModel::AutoSize(const TextMeasurer& measure) {
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
