// Times the safe-value dialog under the 976-byte layout, its largest, against
// the same four grids built as QTableWidgets and as QTableViews over a plain
// model, in one run on one machine; then a bit toggle and a word edit with
// the repaint they cause. It prints figures and goals and never fails on
// timing: a loaded machine must not break a build.

#include <QAbstractTableModel>
#include <QApplication>

#include "bench/bench_timing.h"
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLayout>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "grid/grid_widget.h"
#include "safevalue/safe_value_dialog.h"

namespace {

using norvik::bench::median;
using norvik::bench::timeMs;

using norvik::SafeGrid;

constexpr int kRuns = 9;
constexpr norvik::SafeValueLayout kLayout = norvik::SafeValueLayout::Block976;

// Nobody answers: the benchmark never opens a box or a file dialog.
class NoPrompts : public norvik::UserPrompts {
public:
    void showMessage(std::string_view, std::string_view) override {}
    std::optional<std::string> openFileName(const norvik::FileChoice&) override { return std::nullopt; }
    std::optional<std::string> saveFileName(const norvik::FileChoice&) override { return std::nullopt; }
};

// The texts of a freshly opened "New setting": headers, labels, "H" and "FFFF".
norvik::SafeValueTable newTable() { return norvik::resetSafeValueTable(kLayout, true); }

QString textOf(const norvik::SafeValueTable& table, SafeGrid grid, int row, int column) {
    return QString::fromStdString(norvik::safeGridText(table, grid, row, column));
}

// The rest of the dialog around the tables, so that every route pays for the
// same check boxes, buttons and layout.
class PlainDialog : public QDialog {
public:
    PlainDialog() {
        auto* modules = new QGroupBox(QStringLiteral("Select module"), this);
        auto* boxes = new QGridLayout(modules);
        for (int k = 1; k <= 32; ++k)
            boxes->addWidget(new QCheckBox(QStringLiteral("Module%1").arg(k), modules), (k - 1) / 8, (k - 1) % 8);
        digital_ = new QGroupBox(QStringLiteral("DO"), this);
        analog_ = new QGroupBox(QStringLiteral("AO"), this);
        new QVBoxLayout(digital_);
        new QVBoxLayout(analog_);
        auto* side = new QVBoxLayout;
        for (const char* caption : {"Output ", "Input", "Save to File", "Save to Device"})
            side->addWidget(new QPushButton(QString::fromLatin1(caption), this));
        side->addStretch(1);
        auto* bits = new QHBoxLayout;
        auto* words = new QHBoxLayout;
        bits->addWidget(new QPushButton(QStringLiteral("All set to \"H\""), this));
        bits->addWidget(new QPushButton(QStringLiteral("All set to \"L\""), this));
        words->addWidget(new QPushButton(QStringLiteral("All set to \"F\""), this));
        words->addWidget(new QPushButton(QStringLiteral("All set to \"0\""), this));
        auto* layout = new QGridLayout(this);
        layout->addWidget(modules, 0, 0, 1, 3);
        layout->addWidget(digital_, 1, 0);
        layout->addWidget(analog_, 1, 1);
        layout->addLayout(side, 1, 2);
        layout->addLayout(bits, 2, 0);
        layout->addLayout(words, 2, 1);
        layout->setRowStretch(1, 1);
    }
    // Output view: DO and AO shown, DI and AI built but hidden.
    void place(SafeGrid grid, QAbstractItemView* view) {
        (norvik::isDigitalGrid(grid) ? digital_ : analog_)->layout()->addWidget(view);
        view->setVisible(grid == SafeGrid::Do || grid == SafeGrid::Ao);
    }
    void finish() { resize(sizeHint().width(), 560); }

private:
    QGroupBox* digital_;
    QGroupBox* analog_;
};

std::unique_ptr<QDialog> tableWidgetDialog() {
    auto dialog = std::make_unique<PlainDialog>();
    const norvik::SafeValueTable table = newTable();
    for (SafeGrid grid : norvik::kSafeGrids) {
        const int rows = norvik::safeGridRows(grid, kLayout);
        const int columns = norvik::safeGridColumns(grid);
        auto* widget = new QTableWidget(rows - 1, columns - 1);
        QStringList top;
        for (int c = 1; c < columns; ++c) top << textOf(table, grid, 0, c);
        QStringList side;
        for (int r = 1; r < rows; ++r) side << textOf(table, grid, r, 0);
        widget->setHorizontalHeaderLabels(top);
        widget->setVerticalHeaderLabels(side);
        for (int r = 1; r < rows; ++r) {
            for (int c = 1; c < columns; ++c) {
                auto* item = new QTableWidgetItem(textOf(table, grid, r, c));
                item->setTextAlignment(Qt::AlignCenter);
                widget->setItem(r - 1, c - 1, item);
            }
        }
        widget->resizeColumnsToContents();
        widget->resizeRowsToContents();
        dialog->place(grid, widget);
    }
    dialog->finish();
    return dialog;
}

// The leanest model an item view can have: texts in a vector, nothing else.
class PlainModel : public QAbstractTableModel {
public:
    PlainModel(const norvik::SafeValueTable& table, SafeGrid grid, QObject* parent)
        : QAbstractTableModel(parent),
          rows_(norvik::safeGridRows(grid, kLayout)),
          columns_(norvik::safeGridColumns(grid)) {
        texts_.reserve(static_cast<std::size_t>(rows_ * columns_));
        for (int r = 0; r < rows_; ++r)
            for (int c = 0; c < columns_; ++c) texts_.push_back(textOf(table, grid, r, c));
    }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_ - 1; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : columns_ - 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
        if (role != Qt::DisplayRole) return {};
        return text(index.row() + 1, index.column() + 1);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) return {};
        return orientation == Qt::Horizontal ? text(0, section + 1) : text(section + 1, 0);
    }

private:
    QString text(int row, int column) const { return texts_[static_cast<std::size_t>(row * columns_ + column)]; }
    int rows_;
    int columns_;
    std::vector<QString> texts_;
};

std::unique_ptr<QDialog> tableViewDialog() {
    auto dialog = std::make_unique<PlainDialog>();
    const norvik::SafeValueTable table = newTable();
    for (SafeGrid grid : norvik::kSafeGrids) {
        auto* view = new QTableView;
        view->setModel(new PlainModel(table, grid, view));
        view->resizeColumnsToContents();
        view->resizeRowsToContents();
        dialog->place(grid, view);
    }
    dialog->finish();
    return dialog;
}

const char* verdict(bool met) { return met ? "met" : "NOT met"; }

// A new setting asks the gateway for nothing until it is sent.
class NoJobs : public norvik::GatewayJobs {
public:
    norvik::JobId submit(norvik::Job, norvik::JobDone, norvik::JobProgressHook) override { return 0; }
    bool cancel(norvik::JobId) override { return false; }
    std::size_t pendingJobs() const override { return 0; }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    norvik::LinkSession session;
    session.safeValueLayout = kLayout;
    norvik::GatewayConfig config;
    NoPrompts prompts;
    NoJobs jobs;
    const auto safeValueDialog = [&] {
        return std::unique_ptr<QDialog>(
            new SafeValueDialog(norvik::DialogMode::NewSetting, session, config, jobs, prompts));
    };

    std::printf("Safe-value dialog benchmark: 976-byte layout, \"New setting\", median of %d runs, offscreen\n\n",
                kRuns);
    const double grid = norvik::bench::medianOpen(safeValueDialog, kRuns);
    const double widget = norvik::bench::medianOpen(tableWidgetDialog, kRuns);
    const double view = norvik::bench::medianOpen(tableViewDialog, kRuns);
    std::printf("%-34s %9s %8s\n", "open + lay out + paint", "ms", "ratio");
    std::printf("%-34s %9.2f %8.3f  (goal <= 0.45 and < 50 ms) %s\n", "GridWidget (SafeValueDialog)", grid,
                grid / widget, verdict(grid / widget <= 0.45 && grid < 50.0));
    std::printf("%-34s %9.2f %8.3f\n", "QTableWidget", widget, 1.0);
    std::printf("%-34s %9.2f %8.3f\n", "QTableView over a plain model", view, view / widget);
    std::printf("%-34s %9s %8.3f\n\n", "GridWidget / QTableView", "", grid / view);

    // A double-click on a bit and a typed word, each with the repaint it causes.
    SafeValueDialog dialog(norvik::DialogMode::NewSetting, session, config, jobs, prompts);
    dialog.show();
    QCoreApplication::processEvents();
    GridWidget& bits = dialog.grid(SafeGrid::Do);
    GridWidget& words = dialog.grid(SafeGrid::Ao);
    std::vector<double> toggles;
    std::vector<double> edits;
    for (int i = 0; i < 2 * kRuns; ++i) {
        toggles.push_back(timeMs([&] {
            emit bits.cellDoubleClicked(1 + i % 8, 1 + i % 8);
            bits.viewport()->repaint();
        }));
        edits.push_back(timeMs([&] {
            words.setTextAsUser(1 + i % 8, 1, i % 2 ? QStringLiteral("abcd") : QStringLiteral("0123"));
            words.viewport()->repaint();
        }));
    }
    std::printf("Bit toggle repainted: %.3f ms (goal < 16 ms) %s\n", median(toggles), verdict(median(toggles) < 16.0));
    std::printf("Word edit repainted:  %.3f ms (goal < 16 ms) %s\n", median(edits), verdict(median(edits) < 16.0));
    return 0;
}
