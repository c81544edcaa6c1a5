#pragma once
// "Space configuration in device": where the modules lie in the DO, DI, AO and AI areas.

#include <array>

#include "views/space_dialog.h"
#include "spaces/device_space.h"

class DeviceSpaceDialog : public SpaceDialog {
    Q_OBJECT
public:
    DeviceSpaceDialog(const norvik::GatewayConfig& config, QWidget* parent = nullptr);

    GridWidget& areaGrid(norvik::DeviceArea area) const { return *grids_[static_cast<std::size_t>(area)]; }
    void paintDeviceModule(int k, bool on);

protected:
    void moduleClicked(int k, bool ticked) override { paintDeviceModule(k, ticked); }

private:
    std::array<GridWidget*, 4> grids_{};
};
