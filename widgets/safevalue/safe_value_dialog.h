#pragma once
// "Safe Value Setting": the four grids of the safe-value table, the module
// boxes that mark a module's cells, and the buttons that save the table to a
// file or send it to the gateway. What to do is the editor's decision; this
// window shows its table and forwards every click to it.

#include <QDialog>
#include <array>
#include <memory>

#include "editors/safe_value_editor.h"

class GridBox;
class GridWidget;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QTimer;

class SafeValueDialog : public QDialog, private norvik::SafeValueWindow {
    Q_OBJECT
public:
    enum class Button { Output, Input, SaveToFile, SaveToDevice, AllHigh, AllLow, AllF, AllZero };

    // Runs the mode's first step (a load from the gateway, or the file
    // dialog) at once. Transfers are asked of `jobs`.
    SafeValueDialog(norvik::DialogMode mode, const norvik::LinkSession& session, const norvik::GatewayConfig& config,
                    norvik::GatewayJobs& jobs, norvik::UserPrompts& prompts, QWidget* parent = nullptr);
    ~SafeValueDialog() override;

    // The words of a message as this dialog shows it.
    static QString messageText(norvik::EditorMessage message);
    static QString gridCaption(norvik::SafeGrid which);
    // The header row's text of a column.
    static QString headerText(norvik::SafeGrid which, int column);

    // The transfer timer's handler; tests call it tick by tick.
    void onTransferTimer();
    bool transferTimerRunning() const;

    norvik::SafeValueEditor& editor() { return *editor_; }
    GridWidget& grid(norvik::SafeGrid which) const { return *grids_[static_cast<std::size_t>(which)]; }
    QGroupBox* digitalGroup() const { return digitalGroup_; }
    QGroupBox* analogGroup() const { return analogGroup_; }
    QGroupBox* moduleGroup() const { return moduleGroup_; }
    QCheckBox* moduleBox(int k) const;
    QPushButton* button(Button which) const { return buttons_[static_cast<std::size_t>(which)]; }

private:
    // norvik::SafeValueWindow
    void setTransferRunning(bool running) override;
    void showGrid(norvik::SafeGrid which) override;
    void colourCell(norvik::SafeGrid which, int row, int column, uint32_t colour) override;
    void uncheckModuleBox(int k) override;
    void redrawGrids() override;
    void tell(norvik::EditorMessage message) override;

    void buildGrid(norvik::SafeGrid which, GridBox& box);
    QPushButton* addButton(Button which, const QString& caption, QWidget* parent);
    void showView(norvik::SafeValueView view);
    void toggleBit(norvik::SafeGrid which, int row, int column);

    norvik::UserPrompts& prompts_;
    std::unique_ptr<norvik::SafeValueEditor> editor_;
    std::array<GridWidget*, 4> grids_{};
    std::array<QCheckBox*, 32> moduleBoxes_{};
    std::array<QPushButton*, 8> buttons_{};
    QGroupBox* moduleGroup_ = nullptr;
    QGroupBox* digitalGroup_ = nullptr;
    QGroupBox* analogGroup_ = nullptr;
    QTimer* transferTimer_ = nullptr;
};
