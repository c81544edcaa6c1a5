#pragma once
// What the views and the safe-value dialog build their tables from: a group box
// holding grids of which one at a time shows, and the set-up every one of those
// grids gets.

#include <QGroupBox>
#include <functional>
#include <vector>

class GridWidget;
class QVBoxLayout;

class GridBox : public QGroupBox {
    Q_OBJECT
public:
    explicit GridBox(const QString& title, QWidget* parent = nullptr);

    // The grid is named for assistive tools, since the box title may change under it.
    GridWidget* addGrid(const QString& accessibleName);
    const std::vector<GridWidget*>& grids() const { return grids_; }
    // As wide as the widest grid with a vertical scroll bar, no wider: past its last
    // column a grid shows only blank space.
    void fitWidthToGrids();

private:
    QVBoxLayout* layout_;
    std::vector<GridWidget*> grids_;
};

// One fixed row and column with the grey header background; column headers that wrap,
// row labels flush right and data cells centred; texts from textOf; every row and
// column fitted to its cells.
void setUpGrid(GridWidget& grid, int rows, int columns, const std::function<QString(int row, int column)>& textOf);
