#pragma once
// "Space configuration in profibus": the PROFIBUS output and input bytes of each module.

#include <array>

#include "views/space_dialog.h"
#include "spaces/profibus_space.h"

class ProfibusSpaceDialog : public SpaceDialog {
    Q_OBJECT
public:
    ProfibusSpaceDialog(const norvik::GatewayConfig& config, QWidget* parent = nullptr);

    GridWidget& tableGrid(norvik::ProfibusTable table) const { return *grids_[static_cast<std::size_t>(table)]; }
    void paintProfibusModule(int k, bool on);

protected:
    void moduleClicked(int k, bool ticked) override { paintProfibusModule(k, ticked); }

private:
    std::array<GridWidget*, 2> grids_{};
};
