#pragma once
// One of the views' grids as a plain item model, for the benchmark's QTableView
// baseline: the grid's fixed row and column become the header data, every other
// cell an empty item whose background tells its address's use.

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>
#include <functional>
#include <vector>

class SpaceTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // gridRows and gridColumns count the header row and column, as the grids do;
    // textOf(r, c) gives the header texts at r == 0 or c == 0.
    SpaceTableModel(int gridRows, int gridColumns, const std::function<QString(int, int)>& textOf,
                    QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Row and column count data cells only; an invalid colour clears the background.
    void setBackground(int row, int column, const QColor& colour);

private:
    QStringList columnTitles_;
    QStringList rowTitles_;
    std::vector<QColor> backgrounds_;
};
