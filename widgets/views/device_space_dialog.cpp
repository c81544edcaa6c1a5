#include "views/device_space_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "common/text_conversion.h"

using norvik::DeviceArea;

DeviceSpaceDialog::DeviceSpaceDialog(const norvik::GatewayConfig& config, QWidget* parent)
    : SpaceDialog(config, tr("Space configuration in device"), parent) {
    auto* areas = new QHBoxLayout;
    constexpr std::array<DeviceArea, 4> order = {DeviceArea::DO, DeviceArea::DI, DeviceArea::AO, DeviceArea::AI};
    for (std::size_t i = 0; i < order.size(); ++i) {
        const DeviceArea area = order[i];
        const QString name = latin1(norvik::deviceAreaName(area));
        auto* box = new GridBox(name, this);
        GridWidget* grid =
            addSpaceGrid(*box, name, norvik::deviceGridRows(area), 2, [area](int row, int column) -> std::string {
                if (row == 0) return column == 0 ? "Addr." : "Configure";
                return norvik::deviceRowLabel(area, row);
            });
        box->fitWidthToGrids();
        areas->addWidget(box);
        grids_[static_cast<std::size_t>(area)] = grid;
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(moduleGroup());
    layout->addLayout(areas, 1);
    resize(sizeHint().width(), 560);

    enableModuleBoxes();
    for (int k = 1; k <= norvik::shownModuleCount(config_); ++k) paintDeviceModule(k, true);
}

void DeviceSpaceDialog::paintDeviceModule(int k, bool on) {
    const auto rows = norvik::deviceModuleRows(config_, k);
    if (rows) paintModuleRows(areaGrid(rows->area), rows->firstRow, rows->rowCount, on);
    for (GridWidget* grid : grids_) grid->refresh();
}
