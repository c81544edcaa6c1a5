#include "backup/backup_diff_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "backup/backup_texts.h"

BackupDiffDialog::BackupDiffDialog(Purpose purpose, const norvik::GatewayBackup& backup,
                                   const norvik::BackupDifferences& differences, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(purpose == Purpose::ConfirmRestore ? tr("Restore Backup") : tr("Compare with Backup"));
    auto* layout = new QVBoxLayout(this);

    auto* origin =
        new QLabel(tr("Backup of an %1 taken %2 on %3")
                       .arg(QString::fromLatin1(backup.gateway.config.modelName.c_str()),
                            QString::fromStdString(backup.origin.takenAt), QString::fromStdString(backup.origin.port)),
                   this);
    layout->addWidget(origin);
    summary_ = new QLabel(BackupTexts::differenceSummary(differences), this);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);

    const std::vector<BackupTexts::Row> rows = BackupTexts::differenceRows(differences);
    const std::array<QString, 5> header = BackupTexts::tableHeader();
    table_ = new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(header.size()), this);
    table_->setAccessibleName(tr("Differences"));
    table_->setHorizontalHeaderLabels({header.begin(), header.end()});
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    const QString yes = tr("yes");
    const QString no = tr("no (read only)");
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const BackupTexts::Row& row = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < 4; ++c) table_->setItem(r, c, new QTableWidgetItem(row.cells[static_cast<std::size_t>(c)]));
        table_->setItem(r, 4, new QTableWidgetItem(row.written ? yes : no));
    }
    layout->addWidget(table_, 1);

    if (purpose == Purpose::ConfirmRestore) {
        buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons_->button(QDialogButtonBox::Ok)->setText(tr("&Restore"));
        // Sending is the step that cannot be taken back: Enter alone must not do it.
        buttons_->button(QDialogButtonBox::Cancel)->setDefault(true);
    } else {
        buttons_ = new QDialogButtonBox(QDialogButtonBox::Close, this);
    }
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons_);
    resize(720, 420);
}
