#pragma once
// "Space configuration in modbus": the six Modbus spaces, with addresses that several
// modules use marked by whether their device IDs differ or agree.

#include <array>

#include "views/space_dialog.h"
#include "spaces/modbus_space.h"

class QAction;
class QPushButton;

class ModbusSpaceDialog : public SpaceDialog {
    Q_OBJECT
public:
    ModbusSpaceDialog(const norvik::GatewayConfig& config, QWidget* parent = nullptr);

    GridWidget& kindGrid(norvik::ModbusKind kind) const { return *grids_[static_cast<std::size_t>(kind)]; }
    QGroupBox* bitGroup() const { return bitGroup_; }
    QGroupBox* wordGroup() const { return wordGroup_; }
    QPushButton* writeOutputButton() const { return writeOutput_; }
    QPushButton* readInputButton() const { return readInput_; }
    QPushButton* readOutputButton() const { return readOutput_; }
    const norvik::UsageCounters& counters() const { return counters_; }

    QAction* registerNumbersAction() const { return registerNumbers_; }

    void markModbusModule(int k, bool add);
    // Labels the rows with register numbers counted from 1 ("40001") or with
    // the addresses the protocol carries ("0"), and keeps the choice for the
    // next time the view opens.
    void showRegisterNumbers(bool on);
    void showModbusSpace(norvik::ModbusKind bitKind, norvik::ModbusKind wordKind);

protected:
    void moduleClicked(int k, bool ticked) override { markModbusModule(k, ticked); }

private:
    void relabelRows(bool registerNumbers);

    norvik::UsageCounters counters_;
    std::array<GridWidget*, norvik::kModbusKinds> grids_{};
    GridBox* bitGroup_ = nullptr;
    GridBox* wordGroup_ = nullptr;
    QPushButton* writeOutput_ = nullptr;
    QPushButton* readInput_ = nullptr;
    QPushButton* readOutput_ = nullptr;
    QAction* registerNumbers_ = nullptr;
};
