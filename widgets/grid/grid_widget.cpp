#include "grid/grid_widget.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <unordered_map>

#include "common/core_colour.h"
#include "grid/cell_editor.h"
#include "grid/grid_accessible.h"

using norvik::CellId;
using norvik::GridColour;
using norvik::GridFont;
using norvik::GridModel;

namespace {

GridColour fromQColor(const QColor& colour) { return colour.isValid() ? toCoreColour(colour) : norvik::kNoColour; }

// The model keeps a cell's format as Qt's own drawing flags: the alignment, and
// Qt::TextWordWrap for a text that may wrap.
constexpr uint32_t kWrapFlag = Qt::TextWordWrap;
constexpr uint32_t kDefaultFormat = Qt::AlignLeft | Qt::AlignVCenter;

uint32_t formatOf(Qt::Alignment alignment, bool wordWrap) {
    return static_cast<uint32_t>(alignment.toInt()) | (wordWrap ? kWrapFlag : 0u);
}

GridFont toGridFont(const QFont& font) {
    return GridFont{font.family().toStdString(), font.pointSize(), font.weight(), font.italic()};
}

QFont toQFont(const GridFont& font, const QFont& base) {
    QFont result(base);
    if (!font.family.empty()) result.setFamily(QString::fromStdString(font.family));
    if (font.pointSize > 0) result.setPointSize(font.pointSize);
    result.setWeight(static_cast<QFont::Weight>(font.weight));
    result.setItalic(font.italic);
    return result;
}

constexpr int kDividerSlack = 3;

}  // namespace

// Text widths per font, shared by every grid: the views repeat the same labels across
// grids and rows, and looking a width up is far cheaper than laying the text out again.
namespace {

struct FontWidths {
    explicit FontWidths(const QFont& font) : metrics(font), lineHeight(metrics.height()) {}
    QFontMetrics metrics;
    int lineHeight;
    std::unordered_map<std::string, int> widths;
};

// Bounds the memory a grid full of distinct texts can hold on to.
constexpr std::size_t kMaxCachedWidths = 1 << 15;

std::unordered_map<QString, std::unique_ptr<FontWidths>>& sharedWidths() {
    static std::unordered_map<QString, std::unique_ptr<FontWidths>> cache;
    return cache;
}

// Bumped whenever the shared widths are dropped, so no grid keeps a stale pointer.
int widthsGeneration = 0;

}  // namespace

struct GridWidget::WidthCache {
    GridFont key;
    FontWidths* current = nullptr;
    int generation = -1;

    void select(const GridFont& wanted, const QFont& base) {
        if (current && generation == widthsGeneration && wanted == key) return;
        key = wanted;
        generation = widthsGeneration;
        const QFont font = toQFont(wanted, base);
        auto& slot = sharedWidths()[font.key()];
        if (!slot) slot = std::make_unique<FontWidths>(font);
        current = slot.get();
    }
    int lineHeight() const { return current->lineHeight; }
    int width(std::string_view text) {
        if (text.empty()) return 0;
        std::string owned(text);
        const auto found = current->widths.find(owned);
        if (found != current->widths.end()) return found->second;
        const int w =
            current->metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        if (current->widths.size() >= kMaxCachedWidths) current->widths.clear();
        current->widths.emplace(std::move(owned), w);
        return w;
    }
};

void GridWidget::dropTextWidths() {
    sharedWidths().clear();
    ++widthsGeneration;
}

GridWidget::GridWidget(QWidget* parent) : QAbstractScrollArea(parent), widths_(std::make_unique<WidthCache>()) {
    installGridAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    for (norvik::GridDefaultCell* cell : {&model_.defaultCell(), &model_.fixedRowDefaultCell(),
                                          &model_.fixedColumnDefaultCell(), &model_.cornerDefaultCell()}) {
        cell->setFormat(kDefaultFormat);
    }
    takeSystemLook();
    model_.resetSizes();
}

GridWidget::~GridWidget() = default;

void GridWidget::takeSystemLook() {
    const QPalette pal = palette();
    model_.gridTextColour = fromQColor(pal.color(QPalette::WindowText));
    model_.gridBackColour = fromQColor(pal.color(QPalette::Base));
    model_.fixedBackColour = fromQColor(pal.color(QPalette::Button));
    model_.gridLineColour = fromQColor(pal.color(QPalette::Mid));

    defaultFont_ = QApplication::font("QMessageBox");
    const QFontMetrics metrics(defaultFont_);
    model_.setDefaultMetrics(metrics.horizontalAdvance(QStringLiteral(" XXXXXXXXXXXX ")), metrics.height() * 3 / 2,
                             metrics.horizontalAdvance(QLatin1Char(' ')), toGridFont(defaultFont_));
    setFont(defaultFont_);
}

bool GridWidget::setRowCount(int n) {
    const bool ok = model_.setRowCount(n);
    sizesChanged();
    return ok;
}

bool GridWidget::setColumnCount(int n) {
    const bool ok = model_.setColumnCount(n);
    sizesChanged();
    return ok;
}

bool GridWidget::setFixedRowCount(int n) {
    const bool ok = model_.setFixedRowCount(n);
    sizesChanged();
    return ok;
}

bool GridWidget::setFixedColumnCount(int n) {
    const bool ok = model_.setFixedColumnCount(n);
    sizesChanged();
    return ok;
}

bool GridWidget::setRowHeight(int row, int height) {
    const bool ok = model_.setRowHeight(row, height);
    if (ok) sizesChanged();
    return ok;
}

bool GridWidget::setColumnWidth(int column, int width) {
    const bool ok = model_.setColumnWidth(column, width);
    if (ok) sizesChanged();
    return ok;
}

bool GridWidget::setCell(int row, int column, const QString& text, Qt::Alignment alignment, bool wordWrap) {
    return model_.setItem(row, column, text.toStdString(), formatOf(alignment, wordWrap));
}

bool GridWidget::setText(int row, int column, const QString& text) {
    if (!model_.setItemText(row, column, text.toStdString())) return false;
    model_.markModified(row, column);
    return true;
}

QString GridWidget::text(int row, int column) const { return QString::fromStdString(model_.getItemText(row, column)); }

Qt::Alignment GridWidget::alignment(int row, int column) const {
    const norvik::GridCell* cell = model_.getCell(row, column);
    return cell ? Qt::Alignment::fromInt(static_cast<int>(cell->getFormat() & ~kWrapFlag)) : Qt::Alignment();
}

bool GridWidget::wordWrap(int row, int column) const {
    const norvik::GridCell* cell = model_.getCell(row, column);
    return cell && (cell->getFormat() & kWrapFlag);
}

bool GridWidget::setCellBackground(int row, int column, const QColor& colour) {
    return model_.setItemBackground(row, column, fromQColor(colour));
}

QColor GridWidget::cellBackground(int row, int column) const {
    return model_.isValid(row, column) ? toQColor(model_.backColourOf(row, column)) : QColor();
}

QColor GridWidget::cellForeground(int row, int column) const {
    return model_.isValid(row, column) ? toQColor(model_.textColourOf(row, column)) : QColor();
}

void GridWidget::setHeaderBackground(const QColor& colour) {
    const GridColour back = fromQColor(colour);
    model_.fixedRowDefaultCell().setBackColour(back);
    model_.fixedColumnDefaultCell().setBackColour(back);
    model_.cornerDefaultCell().setBackColour(back);
}

void GridWidget::setDataBackground(const QColor& colour) { model_.defaultCell().setBackColour(fromQColor(colour)); }

void GridWidget::setEditGate(EditGate gate) {
    if (!gate) {
        model_.setEditGate({});
        return;
    }
    model_.setEditGate([gate = std::move(gate)](int row, int column) { return gate(row, column); });
}

void GridWidget::setEditValidator(EditValidator validator) {
    if (!validator) {
        model_.setEditValidator({});
        return;
    }
    model_.setEditValidator([validator = std::move(validator)](int row, int column, const std::string& text) {
        return validator(row, column, QString::fromStdString(text));
    });
}

bool GridWidget::setTextAsUser(int row, int column, const QString& text) {
    if (!model_.isValid(row, column) || model_.isFixed(row, column)) return false;
    const auto outcome = model_.changeTextByUser(row, column, text.toStdString());
    viewport()->update();
    if (outcome == GridModel::EditOutcome::Accepted) emit editFinished(row, column);
    return outcome != GridModel::EditOutcome::Rejected;
}

void GridWidget::describeColour(const QColor& colour, const QString& meaning) {
    colourMeanings_.insert(fromQColor(colour), meaning);
}

norvik::TextMeasurer GridWidget::measurer() {
    return [this](std::string_view text, const GridFont& font) {
        widths_->select(font, defaultFont_);
        return norvik::TextExtent{widths_->width(text), widths_->lineHeight()};
    };
}

void GridWidget::autoSize() {
    model_.autoSize(measurer());
    sizesChanged();
}

bool GridWidget::autoSizeColumn(int column) {
    const bool ok = model_.autoSizeColumn(column, measurer());
    sizesChanged();
    return ok;
}

bool GridWidget::autoSizeRow(int row) {
    const bool ok = model_.autoSizeRow(row, measurer());
    sizesChanged();
    return ok;
}

void GridWidget::refresh() { viewport()->update(); }

void GridWidget::sizesChanged() {
    positionsDirty_ = true;
    updateScrollBars();
    refresh();
    notifyAccessibility();
}

void GridWidget::notifyAccessibility() {
    if (!QAccessible::isActive()) return;
    QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&event);
}

void GridWidget::updatePositions() const {
    if (!positionsDirty_) return;
    const auto& heights = model_.rowHeights();
    const auto& widths = model_.columnWidths();
    rowPos_.assign(heights.size() + 1, 0);
    for (std::size_t r = 0; r < heights.size(); ++r) rowPos_[r + 1] = rowPos_[r] + heights[r];
    columnPos_.assign(widths.size() + 1, 0);
    for (std::size_t c = 0; c < widths.size(); ++c) columnPos_[c + 1] = columnPos_[c] + widths[c];
    positionsDirty_ = false;
}

int GridWidget::fixedWidth() const {
    updatePositions();
    return columnPos_[static_cast<std::size_t>(model_.getFixedColumnCount())];
}

int GridWidget::fixedHeight() const {
    updatePositions();
    return rowPos_[static_cast<std::size_t>(model_.getFixedRowCount())];
}

QSize GridWidget::totalSize() const {
    updatePositions();
    return {columnPos_.back(), rowPos_.back()};
}

void GridWidget::updateScrollBars() {
    const QSize total = totalSize();
    const QSize area = viewport()->size();
    const int scrollableWidth = total.width() - fixedWidth();
    const int scrollableHeight = total.height() - fixedHeight();
    const int pageWidth = std::max(0, area.width() - fixedWidth());
    const int pageHeight = std::max(0, area.height() - fixedHeight());
    horizontalScrollBar()->setRange(0, std::max(0, scrollableWidth - pageWidth));
    horizontalScrollBar()->setPageStep(std::max(1, pageWidth));
    horizontalScrollBar()->setSingleStep(std::max(1, model_.defaultCell().width / 4));
    verticalScrollBar()->setRange(0, std::max(0, scrollableHeight - pageHeight));
    verticalScrollBar()->setPageStep(std::max(1, pageHeight));
    verticalScrollBar()->setSingleStep(std::max(1, model_.defaultCell().height));
}

int GridWidget::rowTop(int row) const {
    updatePositions();
    const int top = rowPos_[static_cast<std::size_t>(row)];
    return row < model_.getFixedRowCount() ? top : top - verticalScrollBar()->value();
}

int GridWidget::columnLeft(int column) const {
    updatePositions();
    const int left = columnPos_[static_cast<std::size_t>(column)];
    return column < model_.getFixedColumnCount() ? left : left - horizontalScrollBar()->value();
}

QRect GridWidget::cellRect(int row, int column) const {
    if (!model_.isValid(row, column)) return {};
    return QRect(columnLeft(column), rowTop(row), model_.getColumnWidth(column), model_.getRowHeight(row));
}

bool GridWidget::isCellShown(int row, int column) const {
    if (!isVisible() || !model_.isValid(row, column)) return false;
    const QSize area = viewport()->size();
    const int fw = std::min(fixedWidth(), area.width());
    const int fh = std::min(fixedHeight(), area.height());
    const int bandLeft = column < model_.getFixedColumnCount() ? 0 : fw;
    const int bandRight = column < model_.getFixedColumnCount() ? fw : area.width();
    const int bandTop = row < model_.getFixedRowCount() ? 0 : fh;
    const int bandBottom = row < model_.getFixedRowCount() ? fh : area.height();
    const QRect band(bandLeft, bandTop, bandRight - bandLeft, bandBottom - bandTop);
    return band.intersects(cellRect(row, column));
}

CellId GridWidget::cellAt(const QPoint& pos) const {
    updatePositions();
    const int fixedRows = model_.getFixedRowCount();
    const int fixedColumns = model_.getFixedColumnCount();
    auto locate = [](const std::vector<int>& starts, int first, int last, int x) {
        // starts holds last + 1 edges; find the section whose span holds x.
        const auto begin = starts.begin() + first;
        const auto end = starts.begin() + last + 1;
        const auto it = std::upper_bound(begin, end, x);
        if (it == begin || it == end) return -1;
        return static_cast<int>(it - starts.begin()) - 1;
    };
    int row = -1;
    if (pos.y() >= 0 && pos.y() < fixedHeight()) {
        row = locate(rowPos_, 0, fixedRows, pos.y());
    } else if (pos.y() >= fixedHeight()) {
        row = locate(rowPos_, fixedRows, model_.getRowCount(), pos.y() + verticalScrollBar()->value());
    }
    int column = -1;
    if (pos.x() >= 0 && pos.x() < fixedWidth()) {
        column = locate(columnPos_, 0, fixedColumns, pos.x());
    } else if (pos.x() >= fixedWidth()) {
        column = locate(columnPos_, fixedColumns, model_.getColumnCount(), pos.x() + horizontalScrollBar()->value());
    }
    if (row < 0 || column < 0) return {};
    return {row, column};
}

void GridWidget::ensureCellVisible(int row, int column) {
    if (!model_.isValid(row, column)) return;
    updatePositions();
    if (row >= model_.getFixedRowCount()) {
        const int top = rowPos_[row] - fixedHeight();
        const int bottom = rowPos_[row + 1] - fixedHeight();
        const int page = viewport()->height() - fixedHeight();
        QScrollBar* bar = verticalScrollBar();
        if (top < bar->value()) bar->setValue(top);
        else if (bottom > bar->value() + page) bar->setValue(std::min(top, bottom - page));
    }
    if (column >= model_.getFixedColumnCount()) {
        const int left = columnPos_[column] - fixedWidth();
        const int right = columnPos_[column + 1] - fixedWidth();
        const int page = viewport()->width() - fixedWidth();
        QScrollBar* bar = horizontalScrollBar();
        if (left < bar->value()) bar->setValue(left);
        else if (right > bar->value() + page) bar->setValue(std::min(left, right - page));
    }
}

void GridWidget::setCurrentCell(int row, int column) {
    const CellId old = model_.focusCell();
    if (old == CellId{row, column}) return;
    model_.setFocusCell({row, column});
    model_.setSelectedRange({row, column}, {row, column});
    emit selectionChanged();
    ensureCellVisible(row, column);
    viewport()->update();
    if (QAccessible::isActive() && model_.isValid(row, column)) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(row * model_.getColumnCount() + column);
        QAccessible::updateAccessibility(&event);
    }
}

QFont GridWidget::cellFont(int row, int column) const {
    const GridFont& font = model_.fontOf(row, column);
    if (font == model_.defaultCellFor(row, column).font && font == toGridFont(defaultFont_)) return defaultFont_;
    return toQFont(font, defaultFont_);
}

void GridWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void GridWidget::scrollContentsBy(int, int) {
    if (editor_) editor_->move(cellRect(editor_->row(), editor_->column()).topLeft());
    viewport()->update();
}

void GridWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) takeSystemLook();
    QAbstractScrollArea::changeEvent(event);
}

void GridWidget::paintCell(QPainter& painter, const QRect& rect, int row, int column) {
    const norvik::GridCell* cell = model_.getCell(row, column);
    const bool fixed = model_.isFixed(row, column);
    const uint32_t state = cell->getState();
    QColor back = toQColor(model_.backColourOf(row, column));
    QColor fore = toQColor(model_.textColourOf(row, column));
    if (!fixed && (state & norvik::GridState::Selected) && hasFocus()) {
        back = palette().color(QPalette::Highlight);
        fore = palette().color(QPalette::HighlightedText);
    }
    painter.fillRect(rect, back);

    painter.setPen(toQColor(model_.gridLineColour));
    painter.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    if (fixed) {
        // A light top-left edge gives headers the raised look of a button face.
        painter.setPen(back.lighter(115));
        painter.drawLine(rect.left(), rect.top(), rect.right() - 1, rect.top());
        painter.drawLine(rect.left(), rect.top(), rect.left(), rect.bottom() - 1);
    }
    if (!fixed && (state & norvik::GridState::Focused)) {
        const GridColour frame = norvik::readableTextOn(fromQColor(back), fromQColor(palette().color(QPalette::Text)));
        painter.setPen(QPen(toQColor(frame), 1));
        painter.drawRect(rect.adjusted(0, 0, -2, -2));
    }
    if (cell->isEditing() || cell->getText().empty()) return;

    const int margin = model_.marginOf(row, column);
    const QRect textRect = rect.adjusted(margin, 0, -margin - 1, -1);
    const uint32_t format = cell->getFormat();
    const bool wrap = format & kWrapFlag;
    int flags = static_cast<int>(format & ~kWrapFlag);
    if (!(flags & Qt::AlignHorizontal_Mask)) flags |= Qt::AlignLeft;
    if (!(flags & Qt::AlignVertical_Mask)) flags |= Qt::AlignTop;
    flags |= wrap ? Qt::TextWordWrap : Qt::TextSingleLine;
    const QFont font = cellFont(row, column);
    painter.setFont(font);
    painter.setPen(fore);
    QString text = QString::fromStdString(cell->getText());
    if (!wrap) text = QFontMetrics(font).elidedText(text, Qt::ElideRight, textRect.width());
    painter.drawText(textRect, flags, text);
}

void GridWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().color(QPalette::Base));
    updatePositions();
    const int rows = model_.getRowCount();
    const int columns = model_.getColumnCount();
    if (rows == 0 || columns == 0) return;
    const int fixedRows = model_.getFixedRowCount();
    const int fixedColumns = model_.getFixedColumnCount();
    const int fw = fixedWidth();
    const int fh = fixedHeight();
    const int sx = horizontalScrollBar()->value();
    const int sy = verticalScrollBar()->value();
    const QSize area = viewport()->size();

    // Visible scrolling rows and columns, found by the edges rather than by walking.
    auto firstVisible = [](const std::vector<int>& pos, int first, int count, int offset) {
        const auto it = std::upper_bound(pos.begin() + first, pos.begin() + count + 1, offset);
        return std::max(first, static_cast<int>(it - pos.begin()) - 1);
    };
    const int firstRow = firstVisible(rowPos_, fixedRows, rows, fh + sy);
    const int firstColumn = firstVisible(columnPos_, fixedColumns, columns, fw + sx);

    auto paintBand = [&](int rowBegin, int rowEnd, int columnBegin, int columnEnd, const QRect& clip) {
        const QRect region = clip.intersected(dirty);
        if (region.isEmpty()) return;
        painter.setClipRect(region);
        for (int r = rowBegin; r < rowEnd; ++r) {
            const int top = rowTop(r);
            if (top >= region.bottom() + 1) break;
            const int height = model_.getRowHeight(r);
            if (height == 0 || top + height <= region.top()) continue;
            for (int c = columnBegin; c < columnEnd; ++c) {
                const int left = columnLeft(c);
                if (left >= region.right() + 1) break;
                const int width = model_.getColumnWidth(c);
                if (width == 0 || left + width <= region.left()) continue;
                paintCell(painter, QRect(left, top, width, height), r, c);
            }
        }
    };
    paintBand(firstRow, rows, firstColumn, columns, QRect(fw, fh, area.width() - fw, area.height() - fh));
    paintBand(0, fixedRows, firstColumn, columns, QRect(fw, 0, area.width() - fw, fh));
    paintBand(firstRow, rows, 0, fixedColumns, QRect(0, fh, fw, area.height() - fh));
    paintBand(0, fixedRows, 0, fixedColumns, QRect(0, 0, fw, fh));
}

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

QString GridWidget::colourMeaning(int row, int column) const {
    const norvik::GridCell* cell = model_.getCell(row, column);
    if (cell == nullptr) return {};
    return colourMeanings_.value(cell->backColour());
}
