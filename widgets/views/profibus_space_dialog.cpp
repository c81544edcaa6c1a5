#include "views/profibus_space_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "common/text_conversion.h"
#include "spaces/device_space.h"

using norvik::ProfibusTable;

ProfibusSpaceDialog::ProfibusSpaceDialog(const norvik::GatewayConfig& config, QWidget* parent)
    : SpaceDialog(config, tr("Space configuration in profibus"), parent) {
    auto* tables = new QHBoxLayout;
    constexpr std::array<ProfibusTable, 2> order = {ProfibusTable::Output, ProfibusTable::Input};
    for (std::size_t i = 0; i < order.size(); ++i) {
        const ProfibusTable table = order[i];
        const QString name = latin1(norvik::profibusTableTitle(table));
        auto* box = new GridBox(name, this);
        GridWidget* grid =
            addSpaceGrid(*box, name, norvik::kProfibusBytes + 1, 2, [](int row, int column) -> std::string {
                if (row == 0) return column == 0 ? "Address" : "Configure";
                return norvik::profibusRowLabel(row);
            });
        box->fitWidthToGrids();
        tables->addWidget(box);
        grids_[static_cast<std::size_t>(table)] = grid;
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(moduleGroup());
    layout->addLayout(tables, 1);
    resize(sizeHint().width(), 560);

    enableModuleBoxes();
    for (int k = 1; k <= norvik::shownModuleCount(config_); ++k) paintProfibusModule(k, true);
}

void ProfibusSpaceDialog::paintProfibusModule(int k, bool on) {
    const auto rows = norvik::profibusModuleRows(config_, k);
    if (rows) paintModuleRows(tableGrid(rows->table), rows->firstRow, rows->rowCount, on);
    for (GridWidget* grid : grids_) grid->refresh();
}
