#include "app/serial_traffic_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>
#include <span>
#include <string>

#include "app/serial_port_texts.h"
#include "common/text_conversion.h"

namespace t = norvik::serialtexts;

namespace {

QString trafficText(const char* source) { return QCoreApplication::translate("SerialTrafficWindow", source); }

// The table repaints all its rows whenever one is added (QTableView redraws the
// viewport on every change of its row count), once a tick. Qt's own delegate
// lays out each cell's text for wrapping and elision, which costs more than
// the whole tick; these cells are single lines, drawn and clipped at their
// edge.
class PlainRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        if (selected) painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
        const QVariant font = index.data(Qt::FontRole);
        const QFont used = font.isValid() ? font.value<QFont>() : option.font;
        const QFontMetrics metrics(used);
        const int margin = option.widget ? option.widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1 : 3;
        const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
        painter->save();
        painter->setClipRect(area);
        painter->setFont(used);
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const int baseline = area.top() + (area.height() + metrics.ascent() - metrics.descent()) / 2;
        painter->drawText(QPoint(area.left(), baseline), index.data(Qt::DisplayRole).toString());
        painter->restore();
        if ((option.state & QStyle::State_HasFocus) != 0 && option.widget) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = option.palette.color(selected ? QPalette::Highlight : QPalette::Base);
            option.widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
        }
    }
};

}  // namespace

// --- the model ---------------------------------------------------------------------

TrafficTableModel::TrafficTableModel(norvik::TrafficLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log), fixedFont_(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {
    refresh();
}

int TrafficTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TrafficTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TrafficTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    const norvik::TrafficRow& r = row(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColumnTime: return latin1(norvik::traffic::timeText(r.timeMs));
        case ColumnDirection:
            return trafficText(r.direction == norvik::TrafficDirection::Sent ? t::kSent : t::kReceived);
        case ColumnData: return latin1(norvik::traffic::dataText(r));
        default: return {};
        }
    case Qt::FontRole:
        if (index.column() == ColumnData || index.column() == ColumnTime) return fixedFont_;
        return {};
    case Qt::ToolTipRole:
        if (index.column() == ColumnData && r.kind == norvik::TrafficKind::Block)
            return QString(trafficText(t::kShowBytes)).remove(QLatin1Char('&')) + QStringLiteral(" (Enter)");
        return {};
    default: return {};
    }
}

QVariant TrafficTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColumnTime: return trafficText(t::kColumnTime);
    case ColumnDirection: return trafficText(t::kColumnDirection);
    case ColumnData: return trafficText(t::kColumnData);
    default: return {};
    }
}

void TrafficTableModel::refresh() {
    if (paused_) return;
    const std::vector<norvik::TrafficRowPtr> fresh = log_.rowsAfter(lastSerial_);
    if (fresh.empty()) return;
    lastSerial_ = fresh.back()->serial;
    std::vector<norvik::TrafficRowPtr> shown;
    shown.reserve(fresh.size());
    std::copy_if(fresh.begin(), fresh.end(), std::back_inserter(shown),
                 [this](const norvik::TrafficRowPtr& r) { return shows(*r); });
    if (!shown.empty()) {
        const int first = rowCount();
        beginInsertRows({}, first, first + static_cast<int>(shown.size()) - 1);
        rows_.insert(rows_.end(), shown.begin(), shown.end());
        endInsertRows();
    }
    // The table keeps no more than the log does.
    if (rows_.size() > log_.maxRows()) {
        const auto excess = static_cast<int>(rows_.size() - log_.maxRows());
        beginRemoveRows({}, 0, excess - 1);
        rows_.erase(rows_.begin(), rows_.begin() + excess);
        endRemoveRows();
    }
}

void TrafficTableModel::setPaused(bool paused) {
    paused_ = paused;
    refresh();
}

void TrafficTableModel::setHideKeepAlive(bool hide) {
    if (hide == hideKeepAlive_) return;
    hideKeepAlive_ = hide;
    reload();
}

void TrafficTableModel::reload() {
    // While paused, rows that came after the pause stay out.
    beginResetModel();
    rows_.clear();
    for (const norvik::TrafficRowPtr& r : log_.rowsAfter(0)) {
        if (r->serial > lastSerial_) break;
        if (shows(*r)) rows_.push_back(r);
    }
    endResetModel();
}

void TrafficTableModel::clear() {
    log_.clear();
    beginResetModel();
    rows_.clear();
    endResetModel();
}

QString TrafficTableModel::text(const QList<int>& rows, bool withHex) const {
    std::string text;
    for (const int r : rows)
        if (r >= 0 && r < rowCount()) text += norvik::traffic::rowText(row(r), withHex);
    return latin1(text);
}

QString TrafficTableModel::allText() const {
    QList<int> all(rowCount());
    std::iota(all.begin(), all.end(), 0);
    return text(all, true);
}

// --- the window ----------------------------------------------------------------------

SerialTrafficWindow::SerialTrafficWindow(norvik::TrafficLog& log, QWidget* parent) : QDialog(parent), log_(log) {
    setModal(false);
    setWindowTitle(trafficText(t::kTrafficCaption));
    setAccessibleName(trafficText(t::kTrafficCaption));

    model_ = new TrafficTableModel(log_, this);

    hideKeepAlive_ = new QCheckBox(trafficText(t::kHideKeepAlive), this);
    pause_ = new QPushButton(trafficText(t::kPause), this);
    pause_->setCheckable(true);
    clear_ = new QPushButton(trafficText(t::kClear), this);
    copy_ = new QPushButton(trafficText(t::kCopy), this);
    save_ = new QPushButton(trafficText(t::kSave), this);
    bytes_ = new QPushButton(trafficText(t::kShowBytes), this);
    auto* controls = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{hideKeepAlive_, pause_, clear_, copy_, save_, bytes_})
        controls->addWidget(w);
    // Enter belongs to the table (the bytes of the current row), not to a button.
    for (QPushButton* b : {pause_, clear_, copy_, save_, bytes_}) b->setAutoDefault(false);
    controls->addStretch(1);

    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setItemDelegate(new PlainRowDelegate(table_));
    table_->setAccessibleName(trafficText(t::kTrafficCaption));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->setShowGrid(false);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->hide();
    // Fixed row heights: the view then need not measure 20,000 rows.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    const QFontMetrics fixed(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    table_->setColumnWidth(TrafficTableModel::ColumnTime, fixed.horizontalAdvance(QStringLiteral("00:00:00.000")) + 16);
    const int directionWidth = std::max({fontMetrics().horizontalAdvance(trafficText(t::kReceived)),
                                         fontMetrics().horizontalAdvance(trafficText(t::kSent)),
                                         fontMetrics().horizontalAdvance(trafficText(t::kColumnDirection))});
    table_->setColumnWidth(TrafficTableModel::ColumnDirection, directionWidth + 24);
    table_->horizontalHeader()->setStretchLastSection(true);

    bytesPane_ = new QPlainTextEdit(this);
    bytesPane_->setReadOnly(true);
    bytesPane_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    bytesPane_->setLineWrapMode(QPlainTextEdit::NoWrap);
    bytesPane_->setAccessibleName(trafficText(t::kBytesPane));
    bytesPane_->hide();

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(table_);
    splitter->addWidget(bytesPane_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(splitter, 1);

    auto* copyAction = new QAction(this);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    table_->addAction(copyAction);
    connect(copyAction, &QAction::triggered, this, &SerialTrafficWindow::copyRows);
    connect(table_, &QTableView::activated, this, &SerialTrafficWindow::showBytes);

    connect(hideKeepAlive_, &QCheckBox::toggled, this, [this](bool hide) {
        model_->setHideKeepAlive(hide);
        table_->scrollToBottom();
    });
    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        model_->setPaused(paused);
        if (!paused) table_->scrollToBottom();
    });
    connect(clear_, &QPushButton::clicked, this, [this] {
        model_->clear();
        bytesPane_->clear();
        bytesPane_->hide();
    });
    connect(copy_, &QPushButton::clicked, this, &SerialTrafficWindow::copyRows);
    connect(save_, &QPushButton::clicked, this, &SerialTrafficWindow::askAndSave);
    connect(bytes_, &QPushButton::clicked, this, &SerialTrafficWindow::showBytes);

    resize(std::max(minimumSizeHint().width(), fontMetrics().horizontalAdvance(QLatin1Char('x')) * 100),
           fontMetrics().height() * 30);

    // Rows come from the user-interface thread and from the receive workers;
    // only a queued call may touch the model.
    log_.setListener([this] {
        if (refreshQueued_.exchange(true)) return;
        QMetaObject::invokeMethod(
            this, [this] { takeNewRows(); }, Qt::QueuedConnection);
    });
    table_->scrollToBottom();
}

SerialTrafficWindow::~SerialTrafficWindow() {
    // Afterwards no thread calls into this window any more; a call already
    // queued goes with the window.
    log_.setListener(nullptr);
}

void SerialTrafficWindow::takeNewRows() {
    refreshQueued_ = false;
    const QScrollBar* bar = table_->verticalScrollBar();
    const bool followNewest = bar->value() == bar->maximum();
    model_->refresh();
    if (followNewest && !model_->paused()) table_->scrollToBottom();
}

void SerialTrafficWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    takeNewRows();
    table_->scrollToBottom();
}

void SerialTrafficWindow::copyRows() {
    QList<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) rows.append(index.row());
    if (rows.isEmpty() && table_->currentIndex().isValid()) rows.append(table_->currentIndex().row());
    std::sort(rows.begin(), rows.end());
    if (!rows.isEmpty()) QGuiApplication::clipboard()->setText(model_->text(rows, false));
}

void SerialTrafficWindow::showBytes() {
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid()) return;
    const norvik::TrafficRow& row = model_->row(current.row());
    std::string text = norvik::traffic::rowText(row, false);
    if (row.kind == norvik::TrafficKind::Block) {
        text += norvik::traffic::hexDump(row.bytes);
        if (row.shortBlock) text += std::string("\n") + t::kIncompleteNote + "\n";
    } else {
        text += norvik::traffic::hexDump(std::span(reinterpret_cast<const uint8_t*>(row.text.data()), row.text.size()));
    }
    bytesPane_->setPlainText(QString::fromUtf8(text.c_str()));
    bytesPane_->show();
}

bool SerialTrafficWindow::saveTo(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        const QByteArray text = model_->allText().toLatin1();
        if (file.write(text) == text.size() && file.commit()) return true;
    }
    if (error) *error = file.errorString();
    return false;
}

void SerialTrafficWindow::askAndSave() {
    const QString name = QStringLiteral("norvik-traffic-%1.txt")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path =
        QFileDialog::getSaveFileName(this, trafficText(t::kSaveCaption), name, trafficText(t::kSaveFilter));
    if (path.isEmpty()) return;
    QString error;
    if (!saveTo(path, &error))
        QMessageBox::warning(this, trafficText(t::kSaveCaption),
                             trafficText(t::kSaveFailed) + QLatin1Char('\n') + error);
}
