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

class CellEditor;
class QFontMetrics;

// A grid colour, red in the low byte, as Qt paints it.
QColor toQColor(norvik::GridColour colour);

// How the in-place editor was opened; decides the caret and whether arrows end it.
enum class EditStart { Mouse, F2, Enter, Backspace, Tab, Space, Navigation, Character };

class GridWidget : public QAbstractScrollArea {
    Q_OBJECT
public:
    using Owner = norvik::GridModel::Owner;

    explicit GridWidget(QWidget* parent = nullptr);
    ~GridWidget() override;

    bool createIn(QWidget* parent, const QRect& rect, int controlId);
    int controlId() const { return model_.controlId(); }

    norvik::GridModel& model() { return model_; }
    const norvik::GridModel& model() const { return model_; }

    bool setRowCount(int n);
    bool setColumnCount(int n);
    bool setFixedRowCount(int n);
    bool setFixedColumnCount(int n);
    int getRowCount() const { return model_.getRowCount(); }
    int getColumnCount() const { return model_.getColumnCount(); }
    int getFixedRowCount() const { return model_.getFixedRowCount(); }
    int getFixedColumnCount() const { return model_.getFixedColumnCount(); }
    int getRowHeight(int row) const { return model_.getRowHeight(row); }
    int getColumnWidth(int column) const { return model_.getColumnWidth(column); }
    bool setRowHeight(int row, int height);
    bool setColumnWidth(int column, int width);

    bool setItem(const norvik::GridItem& item);
    bool setItemBackground(int row, int column, norvik::GridColour colour);
    norvik::GridCell* getCell(int row, int column) { return model_.getCell(row, column); }
    std::string getItemText(int row, int column) const { return model_.getItemText(row, column); }
    void markModified(int row, int column) { model_.markModified(row, column); }
    norvik::GridDefaultCell& getDefaultCell(bool fixedRow, bool fixedColumn);

    void autoSize();
    bool autoSizeColumn(int column);
    bool autoSizeRow(int row);
    void refresh();
    void showGrid(bool visible) { setVisible(visible); }

    void setEditable(bool on) { model_.editable = on; }
    bool isEditable() const { return model_.editable; }
    void enableDragAndDrop(bool on) { model_.dragAndDrop = on; }
    void setRedraw(bool on);
    void setOwner(Owner owner) { model_.setOwner(std::move(owner)); }

    // Cell geometry in viewport coordinates, as painted with the current scroll position.
    QRect cellRect(int row, int column) const;
    // Whether any of the cell shows: scrolled cells count only where they are not under
    // the fixed rows and columns, and nothing shows while the grid is hidden.
    bool isCellShown(int row, int column) const;
    norvik::CellId cellAt(const QPoint& viewportPos) const;
    void ensureCellVisible(int row, int column);
    void setFocusCell(int row, int column);

    bool startEdit(int row, int column, EditStart how, const QString& typed = {});
    CellEditor* editor() const;
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
    QPointer<CellEditor> editor_;
    bool pendingClickEdit_ = false;
    norvik::CellId pressedCell_;
    int resizingColumn_ = -1;
    int resizingRow_ = -1;
    QFont defaultFont_;
    struct WidthCache;
    std::unique_ptr<WidthCache> widths_;
};
