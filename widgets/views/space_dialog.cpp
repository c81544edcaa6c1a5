#include "views/space_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <algorithm>

#include "common/core_colour.h"
#include "common/text_conversion.h"
#include "spaces/device_space.h"

SpaceDialog::SpaceDialog(const norvik::GatewayConfig& config, const QString& caption, QWidget* parent)
    : QDialog(parent), config_(config), moduleGroup_(new QGroupBox(QStringLiteral("Select module"), this)) {
    setWindowTitle(caption);
    auto* boxes = new QGridLayout(moduleGroup_);
    for (int k = 1; k <= norvik::kModuleBoxCount; ++k) {
        auto* box = new QCheckBox(QStringLiteral("Module%1").arg(k), moduleGroup_);
        box->setObjectName(QStringLiteral("Module%1").arg(k));
        box->setEnabled(false);
        box->setChecked(false);
        boxes->addWidget(box, (k - 1) / 8, (k - 1) % 8);
        // clicked, not toggled: ticks set by enableModuleBoxes must not paint anything.
        connect(box, &QCheckBox::clicked, this, [this, k](bool ticked) { moduleClicked(k, ticked); });
        boxes_[static_cast<std::size_t>(k - 1)] = box;
    }
}

QCheckBox* SpaceDialog::moduleBox(int k) const {
    return k >= 1 && k <= norvik::kModuleBoxCount ? boxes_[static_cast<std::size_t>(k - 1)] : nullptr;
}

void SpaceDialog::enableModuleBoxes() {
    const auto states = norvik::moduleBoxStates(config_);
    for (int k = 1; k <= norvik::kModuleBoxCount; ++k) {
        QCheckBox* box = moduleBox(k);
        box->setEnabled(states[static_cast<std::size_t>(k - 1)].enabled);
        box->setChecked(states[static_cast<std::size_t>(k - 1)].ticked);
    }
}

GridWidget* SpaceDialog::addSpaceGrid(GridBox& box, const QString& name, int rows, int columns,
                                      const std::function<std::string(int row, int column)>& textOf) {
    GridWidget* grid = box.addGrid(name);
    // The colours carry the view's message; screen readers hear it in words.
    for (const auto& [use, meaning] : {std::pair{norvik::SpaceUse::InUse, "In used"},
                                       std::pair{norvik::SpaceUse::AddrOverlap, "Addr. overlap"},
                                       std::pair{norvik::SpaceUse::AddrIdOverlap, "Addr. and ID overlap"}}) {
        grid->describeColour(toQColor(norvik::spaceUseColour(use)), latin1(meaning));
    }
    grid->setEditable(false);
    // An unused address is white as the legend says, also where a dark palette
    // would give the grid a dark base.
    grid->setDataBackground(toQColor(norvik::spaceUseColour(norvik::SpaceUse::NotUsed)));
    setUpGrid(*grid, rows, columns, [&textOf](int row, int column) {
        return row == 0 || column == 0 ? latin1(textOf(row, column)) : QString();
    });
    return grid;
}

void SpaceDialog::paintModuleRows(GridWidget& grid, int firstRow, int rowCount, bool on) {
    const QColor colour = toQColor(norvik::spaceUseColour(on ? norvik::SpaceUse::InUse : norvik::SpaceUse::NotUsed));
    const int end = std::min(firstRow + rowCount, grid.rowCount());
    for (int row = firstRow; row < end; ++row) grid.setCellBackground(row, 1, colour);
}
