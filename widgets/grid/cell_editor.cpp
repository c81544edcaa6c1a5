#include "grid/cell_editor.h"

#include <QKeyEvent>
#include <QStyle>
#include <algorithm>

bool isGridNavigationKey(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End: return true;
    default: return false;
    }
}

CellEditor::CellEditor(GridWidget* grid, const QRect& cellRect, int row, int column, const QString& text, EditStart how,
                       const QString& typed)
    : QLineEdit(grid->viewport()),
      grid_(grid),
      row_(row),
      column_(column),
      original_(text),
      // Opened on purpose (mouse, F2, Enter) the arrows move the caret; opened by typing
      // or by moving on from a neighbouring cell they move on to the next cell.
      endsOnArrows_(how != EditStart::Mouse && how != EditStart::F2 && how != EditStart::Enter) {
    setFont(grid->font());
    setFrame(true);
    setGeometry(cellRect);
    setText(text);
    switch (how) {
    case EditStart::Mouse:
    case EditStart::F2:
    case EditStart::Enter: end(false); break;
    case EditStart::Backspace:
        end(false);
        backspace();
        break;
    case EditStart::Tab:
    case EditStart::Space:
    case EditStart::Navigation: selectAll(); break;
    case EditStart::Character:
        selectAll();
        insert(typed);
        break;
    }
    connect(this, &QLineEdit::textChanged, this, &CellEditor::fitText);
    fitText();
    show();
    setFocus(Qt::OtherFocusReason);
}

void CellEditor::fitText() {
    // Wide enough for the text and two blanks, but never past the grid's right edge.
    const QFontMetrics metrics(font());
    const int wanted = metrics.horizontalAdvance(text() + QStringLiteral("  ")) +
                       2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 4;
    const int limit = grid_->viewport()->width() - x();
    const int current = width();
    const int fitted = std::min(std::max(wanted, current), std::max(limit, current));
    if (fitted != current) resize(fitted, height());
}

bool CellEditor::event(QEvent* event) {
    // Tab would move the keyboard focus away before the box could end the edit with it.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            endEdit(key->key(), key->modifiers());
            return true;
        }
    }
    return QLineEdit::event(event);
}

void CellEditor::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        endEdit(key, event->modifiers());
        return;
    }
    if (key == Qt::Key_Escape) {
        setText(original_);
        endEdit(key, event->modifiers());
        return;
    }
    if (isGridNavigationKey(key) && (endsOnArrows_ || (event->modifiers() & Qt::ControlModifier))) {
        endEdit(key, event->modifiers());
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CellEditor::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    endEdit(0);
}

void CellEditor::endEdit(int key, Qt::KeyboardModifiers mods) {
    if (ended_) return;
    ended_ = true;
    const QString finalText = text();
    hide();
    deleteLater();
    grid_->editorEnded(row_, column_, finalText, key, mods);
}
