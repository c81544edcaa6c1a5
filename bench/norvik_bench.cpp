// Times the three views against two baselines built in the same run on the same
// machine: the same grids as QTableWidgets, and as QTableViews over a plain
// QAbstractTableModel, both sized by Qt's own resize-to-contents. It prints figures,
// ratios and goals and never fails on timing: a loaded machine must not break a build.

#include <QApplication>

#include "bench/bench_timing.h"
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPixmap>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

#include "bench/demo_configs.h"
#include "bench/space_table_model.h"
#include "common/core_colour.h"
#include "views/device_space_dialog.h"
#include "views/modbus_space_dialog.h"
#include "views/profibus_space_dialog.h"
#include "spaces/device_space.h"
#include "spaces/modbus_space.h"
#include "spaces/profibus_space.h"

namespace {

using norvik::bench::median;
using norvik::bench::timeMs;

constexpr int kRuns = 7;

// The two item-view routes the grid is measured against.
enum class Baseline { TableWidget, TableView };

// One grid of a baseline dialog; rows and columns count data cells only.
struct PlainTable {
    QAbstractItemView* view = nullptr;
    QTableWidget* widget = nullptr;
    SpaceTableModel* model = nullptr;

    int rowCount() const { return widget ? widget->rowCount() : model->rowCount(); }
    void setBackground(int row, int column, const QColor& colour) const {
        if (widget) widget->item(row, column)->setBackground(colour);
        else model->setBackground(row, column, colour);
    }
};

// The model route: a view over a plain table model, with the same sizing.
PlainTable modelTable(QWidget* parent, int rows, int columns, const std::function<QString(int, int)>& textOf) {
    auto* view = new QTableView(parent);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* model = new SpaceTableModel(rows, columns, textOf, view);
    view->setModel(model);
    view->resizeColumnsToContents();
    view->resizeRowsToContents();
    return {view, nullptr, model};
}

// The plain route: headers for row 0 and column 0, an item per cell, Qt's sizing.
QTableWidget* plainTable(QWidget* parent, int rows, int columns, const std::function<QString(int, int)>& textOf) {
    auto* table = new QTableWidget(rows - 1, columns - 1, parent);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList top;
    for (int c = 1; c < columns; ++c) top << textOf(0, c);
    QStringList side;
    for (int r = 1; r < rows; ++r) side << textOf(r, 0);
    table->setHorizontalHeaderLabels(top);
    table->setVerticalHeaderLabels(side);
    for (int r = 0; r < rows - 1; ++r) {
        for (int c = 0; c < columns - 1; ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            table->setItem(r, c, item);
        }
    }
    table->resizeColumnsToContents();
    table->resizeRowsToContents();
    return table;
}

struct PlainDialog : QDialog {
    explicit PlainDialog(Baseline kind) : baseline(kind) {
        auto* layout = new QVBoxLayout(this);
        auto* modules = new QGroupBox(QStringLiteral("Select module"), this);
        auto* boxes = new QGridLayout(modules);
        for (int k = 1; k <= 32; ++k)
            boxes->addWidget(new QCheckBox(QStringLiteral("Module%1").arg(k)), (k - 1) / 8, (k - 1) % 8);
        layout->addWidget(modules);
        row = new QHBoxLayout;
        layout->addLayout(row, 1);
    }
    PlainTable addTable(const QString& title, int rows, int columns, const std::function<QString(int, int)>& textOf) {
        auto* box = new QGroupBox(title, this);
        auto* inner = new QVBoxLayout(box);
        PlainTable table;
        if (baseline == Baseline::TableWidget) {
            table.widget = plainTable(box, rows, columns, textOf);
            table.view = table.widget;
        } else {
            table = modelTable(box, rows, columns, textOf);
        }
        inner->addWidget(table.view);
        row->addWidget(box);
        return table;
    }
    Baseline baseline;
    QHBoxLayout* row;
};

std::unique_ptr<QDialog> plainDevice(const norvik::GatewayConfig& config, Baseline baseline) {
    auto dialog = std::make_unique<PlainDialog>(baseline);
    std::array<PlainTable, 4> tables{};
    for (int a = 0; a < 4; ++a) {
        const auto area = static_cast<norvik::DeviceArea>(a);
        tables[a] =
            dialog->addTable(norvik::deviceAreaName(area), norvik::deviceGridRows(area), 2, [area](int r, int c) {
                if (r == 0) return QString(c == 0 ? "Addr." : "Configure");
                return QString::fromStdString(norvik::deviceRowLabel(area, r));
            });
    }
    for (int k = 1; k <= norvik::shownModuleCount(config); ++k) {
        const auto rows = norvik::deviceModuleRows(config, k);
        if (!rows) continue;
        const PlainTable& table = tables[static_cast<std::size_t>(rows->area)];
        for (int r = rows->firstRow; r < rows->firstRow + rows->rowCount && r <= table.rowCount(); ++r)
            table.setBackground(r - 1, 0, toQColor(norvik::spaceUseColour(norvik::SpaceUse::InUse)));
    }
    dialog->resize(dialog->sizeHint().width(), 560);
    return dialog;
}

std::unique_ptr<QDialog> plainProfi(const norvik::GatewayConfig& config, Baseline baseline) {
    auto dialog = std::make_unique<PlainDialog>(baseline);
    std::array<PlainTable, 2> tables{};
    for (int t = 0; t < 2; ++t) {
        const auto table = static_cast<norvik::ProfibusTable>(t);
        tables[t] =
            dialog->addTable(norvik::profibusTableTitle(table), norvik::kProfibusBytes + 1, 2, [](int r, int c) {
                if (r == 0) return QString(c == 0 ? "Address" : "Configure");
                return QString::fromStdString(norvik::profibusRowLabel(r));
            });
    }
    for (int k = 1; k <= norvik::shownModuleCount(config); ++k) {
        const auto rows = norvik::profibusModuleRows(config, k);
        if (!rows) continue;
        const PlainTable& table = tables[static_cast<std::size_t>(rows->table)];
        for (int r = rows->firstRow; r < rows->firstRow + rows->rowCount && r <= table.rowCount(); ++r)
            table.setBackground(r - 1, 0, toQColor(norvik::spaceUseColour(norvik::SpaceUse::InUse)));
    }
    dialog->resize(dialog->sizeHint().width(), 560);
    return dialog;
}

std::unique_ptr<QDialog> plainModbus(const norvik::GatewayConfig& config, Baseline baseline) {
    auto dialog = std::make_unique<PlainDialog>(baseline);
    std::array<PlainTable, norvik::kModbusKinds> tables{};
    for (int i = 0; i < norvik::kModbusKinds; ++i) {
        const auto kind = static_cast<norvik::ModbusKind>(i);
        tables[i] = dialog->addTable(norvik::modbusKindName(kind), norvik::modbusGridRows(kind),
                                     norvik::modbusGridColumns(kind), [kind](int r, int c) {
                                         return QString::fromStdString(r == 0 ? norvik::modbusHeaderText(kind, c)
                                                                              : norvik::modbusRowLabel(kind, r));
                                     });
        if (i != 0 && i != 2) dialog->row->itemAt(i)->widget()->hide();
    }
    norvik::UsageCounters counters;
    for (int k = 1; k <= norvik::shownModuleCount(config); ++k) {
        for (const auto& mark : norvik::markModbusModule(counters, config, k, true)) {
            const auto cell = norvik::modbusCell(mark.kind, mark.address);
            tables[static_cast<std::size_t>(mark.kind)].setBackground(cell.row - 1, cell.column - 1,
                                                                      toQColor(norvik::spaceUseColour(mark.use)));
        }
    }
    dialog->resize(dialog->sizeHint().width(), 600);
    return dialog;
}

long residentBytes() {
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return -1;
    long size = 0;
    long resident = 0;
    const int read = std::fscanf(statm, "%ld %ld", &size, &resident);
    std::fclose(statm);
    return read == 2 ? resident * sysconf(_SC_PAGESIZE) : -1;
}

void fillWithoutSizing(GridWidget& grid, norvik::ModbusKind kind) {
    grid.setRowCount(norvik::modbusGridRows(kind));
    grid.setColumnCount(norvik::modbusGridColumns(kind));
    grid.setFixedRowCount(1);
    grid.setFixedColumnCount(1);
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int c = 0; c < grid.columnCount(); ++c) {
            const std::string text =
                r == 0 ? norvik::modbusHeaderText(kind, c) : (c == 0 ? norvik::modbusRowLabel(kind, r) : "");
            const Qt::Alignment alignment = r == 0   ? (Qt::AlignLeft | Qt::AlignVCenter)
                                            : c == 0 ? (Qt::AlignRight | Qt::AlignVCenter)
                                                     : Qt::Alignment(Qt::AlignCenter);
            grid.setCell(r, c, QString::fromStdString(text), alignment, r == 0);
        }
    }
}

const char* verdict(bool met) { return met ? "met" : "NOT met"; }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const norvik::GatewayConfig config = norvik::bench::fullConfig();
    std::printf("Norvik view benchmark: 32-module configuration, median of %d runs, offscreen\n\n", kRuns);

    // Memory first, before other dialogs leave freed heap behind that the view could reuse.
    // A label painted beforehand loads the fonts and the style, which are not the view's.
    QString memoryLine;
    {
        QLabel label(QStringLiteral("Module1 0~7 Address"));
        label.show();
        QCoreApplication::processEvents();
    }
    // Memory the open Modbus view adds: resident size before and after opening it.
    {
        QCoreApplication::processEvents();
        const long before = residentBytes();
        auto dialog = std::make_unique<ModbusSpaceDialog>(config);
        const long built = residentBytes();
        dialog->show();
        QCoreApplication::processEvents();
        const long after = residentBytes();
        const double mb = static_cast<double>(after - before) / (1024.0 * 1024.0);
        memoryLine = QString::asprintf(
            "Memory added by the open Modbus view: %.2f MB resident, %.2f MB of it before the window "
            "was shown (goal <= 6 MB) %s\n",
            mb, static_cast<double>(built - before) / (1024.0 * 1024.0), verdict(mb <= 6.0));
    }

    // Each view and its two baselines, timed one after the other in this run.
    struct Row {
        const char* name;
        double grid;
        double tableWidget;
        double tableView;
        double ratioGoal;  // of the grid's time to QTableWidget's
    };
    using W = Baseline;
    std::vector<Row> rows;
    rows.push_back(
        {"Device view",
         norvik::bench::medianOpen([&] { return std::unique_ptr<QDialog>(new DeviceSpaceDialog(config)); }, kRuns),
         norvik::bench::medianOpen([&] { return plainDevice(config, W::TableWidget); }, kRuns),
         norvik::bench::medianOpen([&] { return plainDevice(config, W::TableView); }, kRuns), 0.75});
    rows.push_back(
        {"PROFIBUS view",
         norvik::bench::medianOpen([&] { return std::unique_ptr<QDialog>(new ProfibusSpaceDialog(config)); }, kRuns),
         norvik::bench::medianOpen([&] { return plainProfi(config, W::TableWidget); }, kRuns),
         norvik::bench::medianOpen([&] { return plainProfi(config, W::TableView); }, kRuns), 0.75});
    rows.push_back(
        {"Modbus view",
         norvik::bench::medianOpen([&] { return std::unique_ptr<QDialog>(new ModbusSpaceDialog(config)); }, kRuns),
         norvik::bench::medianOpen([&] { return plainModbus(config, W::TableWidget); }, kRuns),
         norvik::bench::medianOpen([&] { return plainModbus(config, W::TableView); }, kRuns), 0.4});

    std::printf("%-15s %10s %10s %10s %10s %10s  %s\n", "open+paint ms", "GridWidget", "QTableWdgt", "QTableView",
                "grid/Wdgt", "grid/View", "goal (grid/Wdgt)");
    for (const Row& row : rows) {
        const double ratio = row.grid / row.tableWidget;
        std::printf("%-15s %10.2f %10.2f %10.2f %10.3f %10.3f  <= %.2f %s\n", row.name, row.grid, row.tableWidget,
                    row.tableView, ratio, row.grid / row.tableView, row.ratioGoal, verdict(ratio <= row.ratioGoal));
    }
    std::printf("%-15s %12.2f ms (goal < 50 ms) %s\n\n", "Modbus ready", rows[2].grid, verdict(rows[2].grid < 50.0));

    // AutoSize of six freshly filled grids: nothing measured before, so no width is cached.
    std::vector<double> cold;
    std::vector<double> warm;
    for (int run = 0; run < kRuns; ++run) {
        std::vector<std::unique_ptr<GridWidget>> grids;
        for (int i = 0; i < norvik::kModbusKinds; ++i) {
            grids.push_back(std::make_unique<GridWidget>());
            grids.back()->setGeometry(0, 0, 300, 400);
            grids.back()->hide();
            fillWithoutSizing(*grids.back(), static_cast<norvik::ModbusKind>(i));
        }
        GridWidget::dropTextWidths();
        cold.push_back(timeMs([&] {
            for (auto& grid : grids) grid->autoSize();
        }));
        warm.push_back(timeMs([&] {
            for (auto& grid : grids) grid->autoSize();
        }));
    }
    std::printf("AutoSize, six Modbus grids: %.3f ms with no width known, %.3f ms again (goal < 2 ms) %s\n",
                median(cold), median(warm), verdict(median(cold) < 2.0));

    // A check-box click on the open view: the recolouring and the repaint it causes.
    {
        ModbusSpaceDialog dialog(config);
        dialog.show();
        QCoreApplication::processEvents();
        QCheckBox* box = dialog.moduleBox(2);
        std::vector<double> clicks;
        for (int i = 0; i < 2 * kRuns; ++i) {
            clicks.push_back(timeMs([&] {
                box->click();
                for (int g = 0; g < norvik::kModbusKinds; ++g) {
                    GridWidget& grid = dialog.kindGrid(static_cast<norvik::ModbusKind>(g));
                    if (grid.isVisible()) grid.viewport()->repaint();
                }
            }));
        }
        std::printf("Check-box click repainted: %.3f ms (goal < 16 ms) %s\n", median(clicks),
                    verdict(median(clicks) < 16.0));
    }

    std::printf("%s", qPrintable(memoryLine));
    return 0;
}
