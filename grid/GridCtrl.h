#pragma once
// The grid window: paints the cell model by hand, keeps the fixed rows and columns in
// place while the rest scrolls, and turns mouse and keys into the model's edit rule.
// Drawn by hand rather than through QTableView: the views fill grids of a thousand rows
// and the benchmark in bench/ shows the item-view route spends most of its time in
// per-cell size hints and header bookkeeping the views never need.

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/grid_model.h"

class InPlaceEdit;
class QFontMetrics;

// A grid colour, red in the low byte, as Qt paints it.
QColor toQColor(norvik::GridColour colour);

// How the in-place editor was opened; decides the caret and whether arrows end it.
enum class EditStart { Mouse, F2, Enter, Backspace, Tab, Space, Navigation, Character };

class GridCtrl : public QAbstractScrollArea {
    Q_OBJECT
public:
    using Owner = norvik::GridModel::Owner;

    explicit GridCtrl(QWidget* parent = nullptr);
    ~GridCtrl() override;

    bool Create(QWidget* parent, const QRect& rect, int controlId);
    int controlId() const { return model_.controlId(); }

    norvik::GridModel& model() { return model_; }
    const norvik::GridModel& model() const { return model_; }

    bool SetRowCount(int n);
    bool SetColumnCount(int n);
    bool SetFixedRowCount(int n);
    bool SetFixedColumnCount(int n);
    int GetRowCount() const { return model_.GetRowCount(); }
    int GetColumnCount() const { return model_.GetColumnCount(); }
    int GetFixedRowCount() const { return model_.GetFixedRowCount(); }
    int GetFixedColumnCount() const { return model_.GetFixedColumnCount(); }
    int GetRowHeight(int row) const { return model_.GetRowHeight(row); }
    int GetColumnWidth(int column) const { return model_.GetColumnWidth(column); }
    bool SetRowHeight(int row, int height);
    bool SetColumnWidth(int column, int width);

    bool SetItem(const norvik::GridItem& item);
    bool SetItemBackground(int row, int column, norvik::GridColour colour);
    norvik::GridCell* GetCell(int row, int column) { return model_.GetCell(row, column); }
    std::string GetItemText(int row, int column) const { return model_.GetItemText(row, column); }
    void MarkModified(int row, int column) { model_.MarkModified(row, column); }
    norvik::GridDefaultCell& GetDefaultCell(bool fixedRow, bool fixedColumn);

    void AutoSize();
    bool AutoSizeColumn(int column);
    bool AutoSizeRow(int row);
    void Refresh();
    void ShowGrid(bool visible) { setVisible(visible); }

    void SetEditable(bool on) { model_.editable = on; }
    bool IsEditable() const { return model_.editable; }
    void EnableDragAndDrop(bool on) { model_.dragAndDrop = on; }
    void SetRedraw(bool on);
    void setOwner(Owner owner) { model_.setOwner(std::move(owner)); }

    // Cell geometry in viewport coordinates, as painted with the current scroll position.
    QRect cellRect(int row, int column) const;
    norvik::CellId cellAt(const QPoint& viewportPos) const;
    void ensureCellVisible(int row, int column);
    void setFocusCell(int row, int column);

    bool startEdit(int row, int column, EditStart how, const QString& typed = {});
    InPlaceEdit* editor() const;
    // Called by the editor as it closes; key is the key that ended it, 0 for lost focus.
    void editorEnded(int row, int column, const QString& text, int key, Qt::KeyboardModifiers mods);

    QFont cellFont(int row, int column) const;
    // What a cell's background colour means, told to screen readers as the
    // cell's description; a colour without one is not described.
    void describeColour(norvik::GridColour colour, const QString& meaning) { colourMeanings_.insert(colour, meaning); }
    QString colourMeaning(int row, int column) const;
    // Forgets every measured text width, so the next AutoSize measures from scratch.
    static void dropTextWidths();
    QSize totalSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QHash<norvik::GridColour, QString> colourMeanings_;

    void takeSystemLook();
    void sizesChanged();
    void updatePositions() const;
    void updateScrollBars();
    int fixedWidth() const;
    int fixedHeight() const;
    int rowTop(int row) const;
    int columnLeft(int column) const;
    void paintCell(QPainter& painter, const QRect& rect, int row, int column);
    norvik::TextMeasurer measurer();
    bool moveFocus(int key, Qt::KeyboardModifiers mods);
    bool inTextArea(int row, int column, const QPoint& pos) const;
    int dividerColumnAt(const QPoint& pos) const;
    int dividerRowAt(const QPoint& pos) const;
    void copySelection();
    void pasteAtFocus();
    void clearSelectedCells();
    void notifyAccessibility();

    norvik::GridModel model_;
    mutable std::vector<int> rowPos_;
    mutable std::vector<int> columnPos_;
    mutable bool positionsDirty_ = true;
    QPointer<InPlaceEdit> editor_;
    bool pendingClickEdit_ = false;
    norvik::CellId pressedCell_;
    int resizingColumn_ = -1;
    int resizingRow_ = -1;
    QFont defaultFont_;
    struct WidthCache;
    std::unique_ptr<WidthCache> widths_;
};
