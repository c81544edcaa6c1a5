// The benchmark's QTableView baseline must be a sound model, or its timings say
// nothing: QAbstractItemModelTester watches it while it is built, shown and recoloured.

#include "bench/space_table_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTableView>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> complaints;

void collectComplaints(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) complaints.push_back(text.toStdString());
}

QString textOf(int row, int column) { return QStringLiteral("r%1c%2").arg(row).arg(column); }

TEST(SpaceTableModel, isASoundTableForTheTester) {
    complaints.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectComplaints);
    {
        SpaceTableModel model(5, 4, textOf);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
        QTableView view;
        view.setModel(&model);
        view.resizeColumnsToContents();
        view.show();
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        // The header row and column become header data; data cells count from 0.
        EXPECT_EQ(model.rowCount(), 4);
        EXPECT_EQ(model.columnCount(), 3);
        EXPECT_EQ(model.rowCount(model.index(0, 0)), 0);
        struct Header {
            Qt::Orientation orientation;
            int section;
            QVariant expected;
        };
        const Header headers[] = {{Qt::Horizontal, 0, "r0c1"}, {Qt::Horizontal, 2, "r0c3"}, {Qt::Vertical, 0, "r1c0"},
                                  {Qt::Vertical, 3, "r4c0"},   {Qt::Horizontal, 3, {}},     {Qt::Vertical, -1, {}}};
        for (const Header& h : headers) {
            EXPECT_EQ(model.headerData(h.section, h.orientation, Qt::DisplayRole), h.expected)
                << h.orientation << " " << h.section;
        }

        const QModelIndex cell = model.index(1, 2);
        EXPECT_FALSE(model.data(cell, Qt::BackgroundRole).isValid());
        model.setBackground(1, 2, QColor(0, 255, 255));
        EXPECT_EQ(model.data(cell, Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 255));
        EXPECT_FALSE(model.data(model.index(1, 1), Qt::BackgroundRole).isValid());
        ASSERT_EQ(changed.size(), 1);
        EXPECT_EQ(changed[0][0].toModelIndex(), cell);
        model.setBackground(1, 2, QColor());
        EXPECT_FALSE(model.data(cell, Qt::BackgroundRole).isValid());
        model.setBackground(4, 0, QColor(255, 0, 0));  // past the last row: ignored
        model.setBackground(0, 3, QColor(255, 0, 0));
        EXPECT_EQ(changed.size(), 2);
        EXPECT_FALSE(model.flags(cell) & Qt::ItemIsEditable);
        view.grab();
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(complaints, std::vector<std::string>{});
}

}  // namespace
