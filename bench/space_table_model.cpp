#include "bench/space_table_model.h"

SpaceTableModel::SpaceTableModel(int gridRows, int gridColumns, const std::function<QString(int, int)>& textOf,
                                 QObject* parent)
    : QAbstractTableModel(parent) {
    for (int c = 1; c < gridColumns; ++c) columnTitles_ << textOf(0, c);
    for (int r = 1; r < gridRows; ++r) rowTitles_ << textOf(r, 0);
    backgrounds_.resize(static_cast<std::size_t>(rowTitles_.size() * columnTitles_.size()));
}

int SpaceTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rowTitles_.size());
}

int SpaceTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columnTitles_.size());
}

QVariant SpaceTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    switch (role) {
    case Qt::DisplayRole: return QString();
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case Qt::BackgroundRole: {
        const QColor& colour = backgrounds_[static_cast<std::size_t>(
            index.row() * static_cast<int>(columnTitles_.size()) + index.column())];
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    default: return {};
    }
}

QVariant SpaceTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0) return {};
    const QStringList& titles = orientation == Qt::Horizontal ? columnTitles_ : rowTitles_;
    return section < titles.size() ? QVariant(titles[section]) : QVariant();
}

Qt::ItemFlags SpaceTableModel::flags(const QModelIndex& index) const {
    // Read-only, as the views' grids are.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

void SpaceTableModel::setBackground(int row, int column, const QColor& colour) {
    const QModelIndex at = index(row, column);
    if (!at.isValid()) return;
    backgrounds_[static_cast<std::size_t>(row * columnCount() + column)] = colour;
    emit dataChanged(at, at, {Qt::BackgroundRole});
}
