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

// How the in-place editor was opened; decides the caret and whether arrows end it.
enum class EditStart { Mouse, F2, Enter, Backspace, Tab, Space, Navigation, Character };

class GridWidget : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Asked before the user changes a cell's text (editor, paste, cut, Delete);
    // false leaves the cell as it is.
    using EditGate = std::function<bool(int row, int column)>;
    // Asked with the user's new text, which already stands in the cell; false
    // puts the old text back and editFinished is not emitted.
    using EditValidator = std::function<bool(int row, int column, const QString& text)>;

    explicit GridWidget(QWidget* parent = nullptr);
    ~GridWidget() override;

    bool setRowCount(int n);
    bool setColumnCount(int n);
    bool setFixedRowCount(int n);
    bool setFixedColumnCount(int n);
    int rowCount() const { return model_.getRowCount(); }
    int columnCount() const { return model_.getColumnCount(); }
    int fixedRowCount() const { return model_.getFixedRowCount(); }
    int fixedColumnCount() const { return model_.getFixedColumnCount(); }
    int rowHeight(int row) const { return model_.getRowHeight(row); }
    int columnWidth(int column) const { return model_.getColumnWidth(column); }
    bool setRowHeight(int row, int height);
    bool setColumnWidth(int column, int width);

    // A cell's text and how it is drawn; its colours stay. Single-line texts that
    // do not fit end in "...".
    bool setCell(int row, int column, const QString& text, Qt::Alignment alignment, bool wordWrap = false);
    // Sets a cell's text as the program's own change: no gate, no validator, no signal.
    bool setText(int row, int column, const QString& text);
    // Empty when the cell does not exist.
    QString text(int row, int column) const;
    Qt::Alignment alignment(int row, int column) const;
    bool wordWrap(int row, int column) const;
    // An invalid colour gives the cell back its default cell's background.
    bool setCellBackground(int row, int column, const QColor& colour);
    QColor cellBackground(int row, int column) const;
    QColor cellForeground(int row, int column) const;
    // The background of the cells that set none of their own: the fixed cells, and
    // the others.
    void setHeaderBackground(const QColor& colour);
    void setDataBackground(const QColor& colour);

    void autoSize();
    bool autoSizeColumn(int column);
    bool autoSizeRow(int row);
    void refresh();

    void setEditable(bool on) { model_.editable = on; }
    bool isEditable() const { return model_.editable; }
    void setEditGate(EditGate gate);
    void setEditValidator(EditValidator validator);
    // Changes a cell's text under the same rule as the user's typing; true when
    // the new text stands.
    bool setTextAsUser(int row, int column, const QString& text);

    // Cell geometry in viewport coordinates, as painted with the current scroll position.
    QRect cellRect(int row, int column) const;
    // Whether any of the cell shows: scrolled cells count only where they are not under
    // the fixed rows and columns, and nothing shows while the grid is hidden.
    bool isCellShown(int row, int column) const;
    norvik::CellId cellAt(const QPoint& viewportPos) const;
    void ensureCellVisible(int row, int column);
    norvik::CellId currentCell() const { return model_.focusCell(); }
    void setCurrentCell(int row, int column);

    bool startEdit(int row, int column, EditStart how, const QString& typed = {});
    CellEditor* editor() const;
    // Called by the editor as it closes; key is the key that ended it, 0 for lost focus.
    void editorEnded(int row, int column, const QString& text, int key, Qt::KeyboardModifiers mods);

    QFont cellFont(int row, int column) const;
    // What a cell's background colour means, told to screen readers as the
    // cell's description; a colour without one is not described.
    void describeColour(const QColor& colour, const QString& meaning);
    QString colourMeaning(int row, int column) const;
    // Forgets every measured text width, so the next AutoSize measures from scratch.
    static void dropTextWidths();
    QSize totalSize() const;

    // The cells as the grid keeps them, for reading: state bits, fixed counts, selection.
    const norvik::GridModel& model() const { return model_; }

signals:
    void cellClicked(int row, int column);
    // Also for the fixed cells; not for a double-click on a divider, which fits
    // that row or column instead.
    void cellDoubleClicked(int row, int column);
    // The user changed a cell's text and the validator let it stand.
    void editFinished(int row, int column);
    // The focus cell moved, or the selection grew or shrank.
    void selectionChanged();

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
