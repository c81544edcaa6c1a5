#pragma once
// The single-line box laid over a cell while the user edits it. It hands its final
// text and the key that ended it to the grid, which applies the edit rule.

#include <QLineEdit>

#include "grid/grid_widget.h"

// The keys that move the focus cell. The edit box hands them back to the grid, so both
// must agree on the set.
bool isGridNavigationKey(int key);

class CellEditor : public QLineEdit {
    Q_OBJECT
public:
    CellEditor(GridWidget* grid, const QRect& cellRect, int row, int column, const QString& text, EditStart how,
               const QString& typed);

    int row() const { return row_; }
    int column() const { return column_; }
    bool endsOnArrows() const { return endsOnArrows_; }
    void endEdit(int key, Qt::KeyboardModifiers mods = Qt::NoModifier);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void fitText();

    GridWidget* grid_;
    int row_;
    int column_;
    QString original_;
    bool endsOnArrows_;
    bool ended_ = false;
};
