#include "views/space_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "spaces/device_space.h"

namespace {

constexpr int kInsetSide = 5;
constexpr int kInsetTop = 15;
constexpr int kInsetBottom = 3;
constexpr int kFirstModuleBoxId = 1016;

constexpr uint32_t kHeaderFormat = norvik::GridFormat::ColumnHeader;
constexpr uint32_t kLabelFormat = norvik::GridFormat::RowLabel;
constexpr uint32_t kCellFormat = norvik::GridFormat::DataCell;

}  // namespace

GridBox::GridBox(const QString& title, int controlId, QWidget* parent) : QGroupBox(title, parent) {
    setProperty("controlId", controlId);
}

QRect GridBox::gridRect() const {
    return rect().adjusted(kInsetSide, kInsetTop, -kInsetSide, -kInsetBottom);
}

GridWidget* GridBox::addGrid(int controlId, const QString& accessibleName) {
    auto* grid = new GridWidget(this);
    grid->setAccessibleName(accessibleName);
    // The colours carry the view's message; screen readers hear it in words.
    for (const auto& [use, meaning] :
         {std::pair{norvik::SpaceUse::InUse, QT_TRANSLATE_NOOP("GridBox", "In used")},
          std::pair{norvik::SpaceUse::AddrOverlap, QT_TRANSLATE_NOOP("GridBox", "Addr. overlap")},
          std::pair{norvik::SpaceUse::AddrIdOverlap, QT_TRANSLATE_NOOP("GridBox", "Addr. and ID overlap")}}) {
        grid->describeColour(norvik::spaceUseColour(use), tr(meaning));
    }
    grid->createIn(this, gridRect(), controlId);
    grids_.push_back(grid);
    return grid;
}

void GridBox::fitWidthToGrids() {
    int widest = 0;
    for (GridWidget* grid : grids_) {
        widest = std::max(widest, grid->totalSize().width() + 2 * grid->frameWidth() +
                                      grid->verticalScrollBar()->sizeHint().width());
    }
    setMinimumWidth(widest + 2 * kInsetSide);
    // Past its last column a grid shows only blank space; the box stops at its grids.
    setMaximumWidth(widest + 2 * kInsetSide);
}

void GridBox::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    for (GridWidget* grid : grids_) grid->setGeometry(gridRect());
}

SpaceDialog::SpaceDialog(const norvik::GatewayConfig& config, const QString& caption, QWidget* parent)
    : QDialog(parent), config_(config), moduleGroup_(new QGroupBox(tr("Select module"), this)) {
    setWindowTitle(caption);
    auto* boxes = new QGridLayout(moduleGroup_);
    for (int k = 1; k <= norvik::kModuleBoxCount; ++k) {
        auto* box = new QCheckBox(tr("Module%1").arg(k), moduleGroup_);
        box->setObjectName(QStringLiteral("Module%1").arg(k));
        box->setProperty("controlId", kFirstModuleBoxId + k - 1);
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

void SpaceDialog::setUpGrid(GridWidget& grid, int rows, int columns, const TextOf& textOf) {
    grid.setEditable(false);
    grid.enableDragAndDrop(false);
    grid.setRowCount(rows);
    grid.setColumnCount(columns);
    grid.setFixedRowCount(1);
    grid.setFixedColumnCount(1);
    grid.getDefaultCell(true, false).setBackColour(norvik::HeaderGrey);
    grid.getDefaultCell(false, true).setBackColour(norvik::HeaderGrey);
    grid.getDefaultCell(true, true).setBackColour(norvik::HeaderGrey);
    // An unused address is white as the legend says, also where a dark palette
    // would give the grid a dark base.
    grid.getDefaultCell(false, false).setBackColour(norvik::spaceUseColour(norvik::SpaceUse::NotUsed));
    norvik::GridItem item;
    item.mask = norvik::GridMask::Text | norvik::GridMask::Format;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            item.row = r;
            item.column = c;
            item.format = r == 0 ? kHeaderFormat : (c == 0 ? kLabelFormat : kCellFormat);
            item.text = (r == 0 || c == 0) ? textOf(r, c) : std::string();
            grid.setItem(item);
        }
    }
    grid.autoSize();
}

void SpaceDialog::paintModuleRows(GridWidget& grid, int firstRow, int rowCount, bool on) {
    const uint32_t colour = norvik::spaceUseColour(on ? norvik::SpaceUse::InUse : norvik::SpaceUse::NotUsed);
    const int end = std::min(firstRow + rowCount, grid.getRowCount());
    for (int row = firstRow; row < end; ++row) grid.setItemBackground(row, 1, colour);
}
