// The grid's input: the mouse (selection, divider drags, editing on a double
// click), the keyboard (moving the focus, editing, copy and paste) and the
// editor's end.

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cstdlib>

#include "grid/cell_editor.h"
#include "grid/grid_widget.h"

using norvik::CellId;
using norvik::GridModel;

namespace {

// How near a divider, in pixels, the mouse takes hold of it.
constexpr int kDividerSlack = 3;

}  // namespace

bool GridWidget::inTextArea(int row, int column, const QPoint& pos) const {
    const int margin = model_.marginOf(row, column);
    return cellRect(row, column).adjusted(margin, 0, -margin, 0).contains(pos);
}

int GridWidget::dividerColumnAt(const QPoint& pos) const {
    if (pos.y() >= fixedHeight()) return -1;
    for (int c = 0; c < model_.getColumnCount(); ++c) {
        const QRect rect = cellRect(0, c);
        if (std::abs(pos.x() - (rect.left() + rect.width())) <= kDividerSlack) return c;
    }
    return -1;
}

int GridWidget::dividerRowAt(const QPoint& pos) const {
    if (pos.x() >= fixedWidth()) return -1;
    const CellId hit = cellAt(pos);
    if (hit.row < 0) return -1;
    const QRect rect = cellRect(hit.row, hit.column);
    if (std::abs(pos.y() - (rect.top() + rect.height())) <= kDividerSlack) return hit.row;
    if (hit.row > 0 && std::abs(pos.y() - rect.top()) <= kDividerSlack) return hit.row - 1;
    return -1;
}

void GridWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    pendingClickEdit_ = false;
    if (event->button() == Qt::LeftButton) {
        resizingColumn_ = dividerColumnAt(pos);
        resizingRow_ = resizingColumn_ < 0 ? dividerRowAt(pos) : -1;
        if (resizingColumn_ >= 0 || resizingRow_ >= 0) return;
    }
    const CellId hit = cellAt(pos);
    pressedCell_ = hit;
    if (hit.row < 0) return;
    if (event->button() == Qt::RightButton) return;
    if (model_.isFixed(hit.row, hit.column)) return;
    if (hit == model_.focusCell() && !(event->modifiers() & Qt::ControlModifier) &&
        inTextArea(hit.row, hit.column, pos)) {
        pendingClickEdit_ = true;
    } else {
        setCurrentCell(hit.row, hit.column);
    }
}

void GridWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (resizingColumn_ >= 0) {
        const int width = std::max(0, pos.x() - cellRect(0, resizingColumn_).left());
        setColumnWidth(resizingColumn_, width);
        return;
    }
    if (resizingRow_ >= 0) {
        const int height = std::max(0, pos.y() - cellRect(resizingRow_, 0).top());
        setRowHeight(resizingRow_, height);
        return;
    }
    if (dividerColumnAt(pos) >= 0) viewport()->setCursor(Qt::SplitHCursor);
    else if (dividerRowAt(pos) >= 0) viewport()->setCursor(Qt::SplitVCursor);
    else viewport()->unsetCursor();
}

void GridWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (resizingColumn_ >= 0 || resizingRow_ >= 0) {
        resizingColumn_ = resizingRow_ = -1;
        return;
    }
    const CellId hit = cellAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && hit.row >= 0 && hit == pressedCell_) {
        emit cellClicked(hit.row, hit.column);
        if (pendingClickEdit_) startEdit(hit.row, hit.column, EditStart::Mouse);
    }
    pendingClickEdit_ = false;
}

void GridWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() != Qt::LeftButton) return;
    // A double-click on a divider fits that column or row instead of reporting a cell.
    const int dividerColumn = dividerColumnAt(pos);
    if (dividerColumn >= 0) {
        autoSizeColumn(dividerColumn);
        return;
    }
    const int dividerRow = dividerRowAt(pos);
    if (dividerRow >= 0) {
        autoSizeRow(dividerRow);
        return;
    }
    const CellId hit = cellAt(pos);
    if (hit.row < 0) return;
    if (!model_.isFixed(hit.row, hit.column) && inTextArea(hit.row, hit.column, pos)) {
        setCurrentCell(hit.row, hit.column);
        startEdit(hit.row, hit.column, EditStart::Mouse);
    }
    emit cellDoubleClicked(hit.row, hit.column);
}

bool GridWidget::moveFocus(int key, Qt::KeyboardModifiers mods) {
    const int rows = model_.getRowCount();
    const int columns = model_.getColumnCount();
    const int firstRow = model_.getFixedRowCount();
    const int firstColumn = model_.getFixedColumnCount();
    if (rows <= firstRow || columns <= firstColumn) return false;
    CellId focus = model_.focusCell();
    if (focus.row < 0) {
        setCurrentCell(firstRow, firstColumn);
        return true;
    }
    const int pageRows = std::max(1, (viewport()->height() - fixedHeight()) / std::max(1, model_.defaultCell().height));
    const bool ctrl = mods & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Left: focus.column = std::max(firstColumn, focus.column - 1); break;
    case Qt::Key_Right: focus.column = std::min(columns - 1, focus.column + 1); break;
    case Qt::Key_Up: focus.row = std::max(firstRow, focus.row - 1); break;
    case Qt::Key_Down: focus.row = std::min(rows - 1, focus.row + 1); break;
    case Qt::Key_PageUp: focus.row = std::max(firstRow, focus.row - pageRows); break;
    case Qt::Key_PageDown: focus.row = std::min(rows - 1, focus.row + pageRows); break;
    case Qt::Key_Home:
        focus.column = firstColumn;
        if (ctrl) focus.row = firstRow;
        break;
    case Qt::Key_End:
        focus.column = columns - 1;
        if (ctrl) focus.row = rows - 1;
        break;
    case Qt::Key_Tab:
        if (++focus.column >= columns) {
            focus.column = firstColumn;
            focus.row = focus.row + 1 < rows ? focus.row + 1 : firstRow;
        }
        break;
    case Qt::Key_Backtab:
        if (--focus.column < firstColumn) {
            focus.column = columns - 1;
            focus.row = focus.row > firstRow ? focus.row - 1 : rows - 1;
        }
        break;
    default: return false;
    }
    setCurrentCell(focus.row, focus.column);
    return true;
}

void GridWidget::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const CellId focus = model_.focusCell();
    if (ctrl && (key == Qt::Key_C || key == Qt::Key_Insert)) {
        copySelection();
        return;
    }
    if (ctrl && key == Qt::Key_X) {
        copySelection();
        clearSelectedCells();
        return;
    }
    if (ctrl && key == Qt::Key_V) {
        pasteAtFocus();
        return;
    }
    if (ctrl && key == Qt::Key_A) {
        model_.setSelectedRange({model_.getFixedRowCount(), model_.getFixedColumnCount()},
                                {model_.getRowCount() - 1, model_.getColumnCount() - 1});
        viewport()->update();
        emit selectionChanged();
        return;
    }
    if (isGridNavigationKey(key)) {
        moveFocus(key, mods);
        return;
    }
    if (key == Qt::Key_Delete) {
        clearSelectedCells();
        return;
    }
    if (focus.row >= 0 && !ctrl) {
        if (key == Qt::Key_F2) {
            startEdit(focus.row, focus.column, EditStart::F2);
            return;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (startEdit(focus.row, focus.column, EditStart::Enter)) return;
        } else if (key == Qt::Key_Backspace) {
            startEdit(focus.row, focus.column, EditStart::Backspace);
            return;
        } else if (key == Qt::Key_Space) {
            startEdit(focus.row, focus.column, EditStart::Space);
            return;
        } else if (key != Qt::Key_Escape && key != Qt::Key_Tab && key != Qt::Key_Backtab && !event->text().isEmpty() &&
                   event->text().at(0).isPrint()) {
            startEdit(focus.row, focus.column, EditStart::Character, event->text());
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void GridWidget::copySelection() {
    GridModel::Range range = model_.selectedRange();
    if (range.empty()) {
        const CellId focus = model_.focusCell();
        if (focus.row < 0) return;
        range = {focus.row, focus.column, focus.row, focus.column};
    }
    QString text;
    for (int r = range.top; r <= range.bottom; ++r) {
        for (int c = range.left; c <= range.right; ++c) {
            if (c > range.left) text += QLatin1Char('\t');
            text += QString::fromStdString(model_.getItemText(r, c));
        }
        text += QLatin1String("\r\n");
    }
    QApplication::clipboard()->setText(text);
}

void GridWidget::pasteAtFocus() {
    const CellId focus = model_.focusCell();
    if (focus.row < 0) return;
    QString text = QApplication::clipboard()->text();
    if (text.endsWith(QLatin1String("\r\n"))) text.chop(2);
    else if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QStringList fields = line.split(QLatin1Char('\t'));
        for (int j = 0; j < fields.size(); ++j) {
            const int row = focus.row + i;
            const int column = focus.column + j;
            if (!model_.isValid(row, column) || model_.isFixed(row, column)) continue;
            setTextAsUser(row, column, fields[j]);
        }
    }
    viewport()->update();
}

void GridWidget::clearSelectedCells() {
    GridModel::Range range = model_.selectedRange();
    if (range.empty()) {
        const CellId focus = model_.focusCell();
        if (focus.row < 0) return;
        range = {focus.row, focus.column, focus.row, focus.column};
    }
    for (int r = range.top; r <= range.bottom; ++r) {
        for (int c = range.left; c <= range.right; ++c) {
            if (!model_.isFixed(r, c)) setTextAsUser(r, c, QString());
        }
    }
    viewport()->update();
}

bool GridWidget::startEdit(int row, int column, EditStart how, const QString& typed) {
    if (editor_ || !model_.isValid(row, column) || model_.isFixed(row, column)) return false;
    if (!model_.beginUserEdit(row, column)) return false;
    ensureCellVisible(row, column);
    norvik::GridCell* cell = model_.getCell(row, column);
    if (!cell) return false;  // the owner's handler may have shrunk the grid
    cell->setEditing(true);
    editor_ =
        new CellEditor(this, cellRect(row, column), row, column, QString::fromStdString(cell->getText()), how, typed);
    viewport()->update();
    return true;
}

void GridWidget::editorEnded(int row, int column, const QString& text, int key, Qt::KeyboardModifiers mods) {
    editor_ = nullptr;
    if (norvik::GridCell* cell = model_.getCell(row, column)) cell->setEditing(false);
    const auto outcome = model_.endUserEdit(row, column, text.toStdString());
    viewport()->update();
    if (outcome == GridModel::EditOutcome::Accepted) emit editFinished(row, column);
    if (key == 0) return;
    setFocus(Qt::OtherFocusReason);
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || isGridNavigationKey(key)) {
        const CellId before = model_.focusCell();
        moveFocus(key, mods);
        const CellId after = model_.focusCell();
        if (after.row >= 0 && !(after == before)) {
            startEdit(after.row, after.column,
                      key == Qt::Key_Tab || key == Qt::Key_Backtab ? EditStart::Tab : EditStart::Navigation);
        }
    }
}

CellEditor* GridWidget::editor() const { return editor_.data(); }
