#include "grid/grid_widget.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
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

QString GridWidget::colourMeaning(int row, int column) const {
    const norvik::GridCell* cell = model_.getCell(row, column);
    if (cell == nullptr) return {};
    return colourMeanings_.value(cell->backColour());
}
