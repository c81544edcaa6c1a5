#pragma once
// "Serial traffic": every line and block exchanged with the gateway, newest at
// the bottom. Not modal: it may stay open while the link runs, and shows what
// went before it was opened.

#include <QAbstractTableModel>
#include <QDialog>
#include <atomic>
#include <cstdint>
#include <deque>

#include "serial/traffic_log.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QTableView;

// The log's rows as a table: time, direction, data.
class TrafficTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColumnTime, ColumnDirection, ColumnData, ColumnCount };

    explicit TrafficTableModel(norvik::TrafficLog& log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Takes in the rows the log gained since the last call, unless paused.
    void refresh();
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    // Leaves out the once-a-second prompt and its "connect" reply.
    void setHideKeepAlive(bool hide);
    // Empties the log and the table.
    void clear();

    const norvik::TrafficRow& row(int r) const { return *rows_.at(static_cast<std::size_t>(r)); }
    // The rows as the saved log writes them, blocks with their bytes.
    QString text(const QList<int>& rows, bool withHex) const;
    QString allText() const;

private:
    bool shows(const norvik::TrafficRow& row) const { return !(hideKeepAlive_ && row.isKeepAlive()); }
    void reload();

    norvik::TrafficLog& log_;
    // Asked for by every cell painted: made once.
    QVariant fixedFont_;
    std::deque<norvik::TrafficRowPtr> rows_;
    uint64_t lastSerial_ = 0;
    bool paused_ = false;
    bool hideKeepAlive_ = false;
};

// A dialog that is never modal: Escape closes it like any dialog's.
class SerialTrafficWindow : public QDialog {
    Q_OBJECT
public:
    explicit SerialTrafficWindow(norvik::TrafficLog& log, QWidget* parent = nullptr);
    ~SerialTrafficWindow() override;

    // Writes the rows shown, as text; false (and the reason) when it could not.
    bool saveTo(const QString& path, QString* error = nullptr) const;
    // The selected rows, as text, to the clipboard.
    void copyRows();
    // Shows the bytes of the block in the current row.
    void showBytes();

    TrafficTableModel* model() const { return model_; }
    QTableView* table() const { return table_; }
    QCheckBox* hideKeepAliveBox() const { return hideKeepAlive_; }
    QPushButton* pauseButton() const { return pause_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* copyButton() const { return copy_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* bytesButton() const { return bytes_; }
    QPlainTextEdit* bytesPane() const { return bytesPane_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void takeNewRows();
    void askAndSave();

    norvik::TrafficLog& log_;
    TrafficTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QCheckBox* hideKeepAlive_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* bytes_ = nullptr;
    QPlainTextEdit* bytesPane_ = nullptr;
    // Set while a call to take the new rows is on its way, so that a burst of
    // rows costs one queued call, not one each.
    std::atomic<bool> refreshQueued_{false};
};
