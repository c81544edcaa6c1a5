#include "grid/grid_accessible.h"

#include <QWidget>
#include <algorithm>
#include <QWindow>

#include "grid/grid_widget.h"
#include "grid/cell_editor.h"

namespace {

QAccessibleInterface* gridFactory(const QString&, QObject* object) {
    if (auto* grid = qobject_cast<GridWidget*>(object)) return new GridAccessible(grid);
    return nullptr;
}

quint64 cellKey(int row, int column) {
    return (static_cast<quint64>(static_cast<quint32>(row)) << 32) | static_cast<quint32>(column);
}

}  // namespace

void installGridAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(gridFactory);
        return true;
    }();
    (void)installed;
}

GridAccessible::GridAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Table) {}

GridAccessible::~GridAccessible() { dropCells(); }

GridWidget* GridAccessible::grid() const { return qobject_cast<GridWidget*>(object()); }

void GridAccessible::dropCells() {
    for (QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
    cells_.clear();
}

int GridAccessible::rowCount() const {
    const GridWidget* g = grid();
    return g ? std::max(0, g->rowCount() - g->fixedRowCount()) : 0;
}

int GridAccessible::columnCount() const {
    const GridWidget* g = grid();
    return g ? std::max(0, g->columnCount() - g->fixedColumnCount()) : 0;
}

int GridAccessible::childCount() const {
    const GridWidget* g = grid();
    return g ? g->rowCount() * g->columnCount() : 0;
}

QAccessibleInterface* GridAccessible::gridCell(int row, int column) const {
    GridWidget* g = grid();
    if (!g || !g->model().isValid(row, column)) return nullptr;
    const quint64 key = cellKey(row, column);
    const auto found = cells_.constFind(key);
    if (found != cells_.constEnd()) return QAccessible::accessibleInterface(*found);
    auto* cell = new GridCellAccessible(g, row, column);
    cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

QAccessibleInterface* GridAccessible::cellAt(int row, int column) const {
    const GridWidget* g = grid();
    if (!g || row < 0 || column < 0) return nullptr;
    return gridCell(row + g->fixedRowCount(), column + g->fixedColumnCount());
}

QAccessibleInterface* GridAccessible::child(int index) const {
    const GridWidget* g = grid();
    if (!g || index < 0 || index >= childCount()) return nullptr;
    const int columns = g->columnCount();
    return gridCell(index / columns, index % columns);
}

int GridAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* cell = dynamic_cast<const GridCellAccessible*>(child);
    const GridWidget* g = grid();
    if (!cell || !g || !cell->isValid() || cell->table() != this) return -1;
    return cell->gridRow() * g->columnCount() + cell->gridColumn();
}

QAccessibleInterface* GridAccessible::childAt(int x, int y) const {
    GridWidget* g = grid();
    if (!g) return nullptr;
    const QPoint local = g->viewport()->mapFromGlobal(QPoint(x, y));
    const norvik::CellId hit = g->cellAt(local);
    return hit.row >= 0 ? gridCell(hit.row, hit.column) : nullptr;
}

QAccessibleInterface* GridAccessible::focusChild() const {
    GridWidget* g = grid();
    if (!g) return nullptr;
    const norvik::CellId focus = g->model().focusCell();
    return focus.row >= 0 ? gridCell(focus.row, focus.column) : nullptr;
}

void* GridAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

int GridAccessible::selectedCellCount() const { return static_cast<int>(selectedCells().size()); }

QList<QAccessibleInterface*> GridAccessible::selectedCells() const {
    QList<QAccessibleInterface*> result;
    GridWidget* g = grid();
    if (!g) return result;
    const auto range = g->model().selectedRange();
    if (range.empty()) return result;
    for (int r = range.top; r <= range.bottom; ++r) {
        for (int c = range.left; c <= range.right; ++c) {
            if (!g->model().isFixed(r, c)) result.append(gridCell(r, c));
        }
    }
    return result;
}

// A header is the text of the fixed cells above or beside the data cell, the last
// fixed row or column being the one next to the data.
QString GridAccessible::columnDescription(int column) const {
    GridWidget* g = grid();
    if (!g || g->fixedRowCount() == 0 || column < 0) return {};
    return g->text(g->fixedRowCount() - 1, column + g->fixedColumnCount());
}

QString GridAccessible::rowDescription(int row) const {
    GridWidget* g = grid();
    if (!g || g->fixedColumnCount() == 0 || row < 0) return {};
    return g->text(row + g->fixedRowCount(), g->fixedColumnCount() - 1);
}

void GridAccessible::modelChange(QAccessibleTableModelChangeEvent*) { dropCells(); }

GridCellAccessible::GridCellAccessible(GridWidget* grid, int row, int column)
    : grid_(grid), row_(row), column_(column) {}

bool GridCellAccessible::isValid() const { return grid_ && grid_->model().isValid(row_, column_); }

QWindow* GridCellAccessible::window() const { return grid_ ? grid_->window()->windowHandle() : nullptr; }

QAccessibleInterface* GridCellAccessible::parent() const {
    return grid_ ? QAccessible::queryAccessibleInterface(grid_.data()) : nullptr;
}

QAccessibleInterface* GridCellAccessible::table() const { return parent(); }

int GridCellAccessible::rowIndex() const { return grid_ ? row_ - grid_->fixedRowCount() : -1; }

int GridCellAccessible::columnIndex() const { return grid_ ? column_ - grid_->fixedColumnCount() : -1; }

QString GridCellAccessible::text(QAccessible::Text t) const {
    if (!isValid()) return {};
    if (t == QAccessible::Name || t == QAccessible::Value) {
        return grid_->text(row_, column_);
    }
    if (t == QAccessible::Description) return grid_->colourMeaning(row_, column_);
    return {};
}

void GridCellAccessible::setText(QAccessible::Text t, const QString& text) {
    // Assistive tools change a cell under the same rule as the user's typing.
    if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value)) return;
    grid_->setTextAsUser(row_, column_, text);
}

// The whole cell wherever it lies, scrolled out of view or not, as Qt's own tables
// report theirs: magnifiers and automated checks place and compare cells by it, and
// the state tells whether it shows.
QRect GridCellAccessible::rect() const {
    if (!isValid()) return {};
    const QRect local = grid_->cellRect(row_, column_);
    return QRect(grid_->viewport()->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role GridCellAccessible::role() const {
    if (!isValid()) return QAccessible::Cell;
    const bool fixedRow = row_ < grid_->fixedRowCount();
    const bool fixedColumn = column_ < grid_->fixedColumnCount();
    // The corner cell names the column of row labels, so it is read as a column header.
    if (fixedRow) return QAccessible::ColumnHeader;
    if (fixedColumn) return QAccessible::RowHeader;
    return QAccessible::Cell;
}

QAccessible::State GridCellAccessible::state() const {
    QAccessible::State st;
    if (!isValid()) {
        st.invalid = true;
        return st;
    }
    const uint32_t bits = grid_->model().getCell(row_, column_)->getState();
    st.selectable = true;
    st.focusable = true;
    st.selected = (bits & norvik::GridState::Selected) != 0;
    st.focused = (bits & norvik::GridState::Focused) != 0;
    st.editable = grid_->model().isEditable(row_, column_) && !grid_->model().isFixed(row_, column_);
    st.readOnly = !st.editable;
    st.invisible = st.offscreen = !grid_->isCellShown(row_, column_);
    return st;
}

void* GridCellAccessible::interface_cast(QAccessible::InterfaceType type) {
    // Header cells stand outside the table's rows and columns, as a table view's do.
    if (type == QAccessible::TableCellInterface && isValid() && !grid_->model().isFixed(row_, column_)) {
        return static_cast<QAccessibleTableCellInterface*>(this);
    }
    return nullptr;
}

bool GridCellAccessible::isSelected() const {
    return isValid() && (grid_->model().getCell(row_, column_)->getState() & norvik::GridState::Selected);
}

QList<QAccessibleInterface*> GridCellAccessible::columnHeaderCells() const {
    QList<QAccessibleInterface*> result;
    auto* table = isValid() ? dynamic_cast<GridAccessible*>(parent()) : nullptr;
    if (!table) return result;
    for (int r = 0; r < grid_->fixedRowCount() && r < row_; ++r) result.append(table->gridCell(r, column_));
    return result;
}

QList<QAccessibleInterface*> GridCellAccessible::rowHeaderCells() const {
    QList<QAccessibleInterface*> result;
    auto* table = isValid() ? dynamic_cast<GridAccessible*>(parent()) : nullptr;
    if (!table) return result;
    for (int c = 0; c < grid_->fixedColumnCount() && c < column_; ++c) result.append(table->gridCell(row_, c));
    return result;
}
