#pragma once
// "Space configuration in device": where the modules lie in the DO, DI, AO and AI areas.

#include <array>

#include "views/SpaceDialog.h"
#include "views/device_space.h"

class SDevice : public SpaceDialog {
    Q_OBJECT
public:
    SDevice(const norvik::GatewayConfig& config, QWidget* parent = nullptr);

    GridCtrl& areaGrid(norvik::DeviceArea area) const { return *grids_[static_cast<std::size_t>(area)]; }
    void paintDeviceModule(int k, bool on);

protected:
    void moduleClicked(int k, bool ticked) override { paintDeviceModule(k, ticked); }

private:
    std::array<GridCtrl*, 4> grids_{};
};
