// The difference table: each difference named where the windows show it, and
// a restore that Enter alone does not start.

#include "backup/backup_diff_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

#include "backup_blocks.h"

namespace norvik {
namespace {

using test::Kind;

std::vector<std::vector<std::string>> tableRows(const QTableWidget& table) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < table.rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < table.columnCount(); ++c) row.push_back(table.item(r, c)->text().toStdString());
        rows.push_back(row);
    }
    return rows;
}

TEST(BackupDiffDialog, namesEachDifferenceAsTheListTheGridsAndTheIpDialogDo) {
    const GatewayBlocks backup = test::gatewayBlocks(Kind::Hx3420Small);
    GatewayBlocks gateway = backup;
    gateway.parameters = test::sampleParameterBlock('5', 3, 250);
    gateway.safeValues[128 + 1] ^= 0x80;       // DO bit 15
    gateway.safeValues[384 + 10] = 0;          // AO word 5, low byte
    (*gateway.ipSetting)[12 + 8 * 7 + 4] = 0;  // the eighth remote's time-out, high byte

    const GatewayBackup file = test::backupOf(backup);
    const BackupDifferences differences = compareWithBackup(file.gateway, test::snapshotOf(gateway));
    BackupDiffDialog dialog(BackupDiffDialog::Purpose::ConfirmRestore, file, differences);
    const auto rows = tableRows(*dialog.table());
    const std::vector<std::vector<std::string>> expected = {
        {"HX-3420", "Poll interval time (M)", "100ms", "250ms", "no (read only)"},
        {"DO 8~15", "bit 7", "H", "L", "yes"},
        {"AO 5", "Configure(Hex)", "CDC6", "CD00", "yes"},
        {"Remote IP Setting I P (8) :", "Time out value (ms) :", "1500", "220", "yes"},
    };
    EXPECT_EQ(rows, expected);

    QPushButton* restore = dialog.buttons()->button(QDialogButtonBox::Ok);
    ASSERT_NE(restore, nullptr);
    EXPECT_FALSE(restore->isDefault());
    EXPECT_TRUE(dialog.buttons()->button(QDialogButtonBox::Cancel)->isDefault());

    BackupDiffDialog compare(BackupDiffDialog::Purpose::Compare, file, differences);
    EXPECT_EQ(compare.buttons()->button(QDialogButtonBox::Ok), nullptr);
    EXPECT_EQ(compare.table()->rowCount(), dialog.table()->rowCount());
}

}  // namespace
}  // namespace norvik
