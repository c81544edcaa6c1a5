#include "grid/grid_box.h"

#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "common/core_colour.h"
#include "grid/grid_widget.h"

GridBox::GridBox(const QString& title, QWidget* parent) : QGroupBox(title, parent), layout_(new QVBoxLayout(this)) {}

GridWidget* GridBox::addGrid(const QString& accessibleName) {
    auto* grid = new GridWidget(this);
    grid->setAccessibleName(accessibleName);
    layout_->addWidget(grid);
    grids_.push_back(grid);
    return grid;
}

void GridBox::fitWidthToGrids() {
    int widest = 0;
    for (GridWidget* grid : grids_) {
        widest = std::max(
            widest, grid->totalSize().width() + 2 * grid->frameWidth() + grid->verticalScrollBar()->sizeHint().width());
    }
    for (GridWidget* grid : grids_) grid->setFixedWidth(widest);
    setFixedWidth(std::max(minimumSizeHint().width(), widest + contentsMargins().left() + contentsMargins().right() +
                                                          layout_->contentsMargins().left() +
                                                          layout_->contentsMargins().right()));
}

void setUpGrid(GridWidget& grid, int rows, int columns, const std::function<QString(int row, int column)>& textOf) {
    grid.setRowCount(rows);
    grid.setColumnCount(columns);
    grid.setFixedRowCount(1);
    grid.setFixedColumnCount(1);
    grid.setHeaderBackground(toQColor(norvik::HeaderGrey));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (r == 0) grid.setCell(r, c, textOf(r, c), Qt::AlignLeft | Qt::AlignVCenter, true);
            else if (c == 0) grid.setCell(r, c, textOf(r, c), Qt::AlignRight | Qt::AlignVCenter);
            else grid.setCell(r, c, textOf(r, c), Qt::AlignCenter);
        }
    }
    grid.autoSize();
}
