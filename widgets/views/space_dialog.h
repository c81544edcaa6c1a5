#pragma once
// The frame the three address-space views share: the "Select module" box with its
// 32 check boxes, and grids that colour the addresses in use.

#include <QDialog>
#include <QGroupBox>
#include <array>
#include <functional>
#include <string>

#include "grid/grid_box.h"
#include "grid/grid_widget.h"
#include "model/gateway_config.h"

class QCheckBox;
class QLayout;

class SpaceDialog : public QDialog {
    Q_OBJECT
public:
    SpaceDialog(const norvik::GatewayConfig& config, const QString& caption, QWidget* parent);

    QCheckBox* moduleBox(int k) const;
    void enableModuleBoxes();

    // A read-only grid in `box`, set up as every view's grids are; textOf gives
    // the header and label texts.
    static GridWidget* addSpaceGrid(GridBox& box, const QString& name, int rows, int columns,
                                    const std::function<std::string(int row, int column)>& textOf);

protected:
    virtual void moduleClicked(int k, bool ticked) = 0;
    QGroupBox* moduleGroup() const { return moduleGroup_; }
    // Colours a module's rows in the grid's one data column as in use, or clears them;
    // rows past the grid's end are left out.
    static void paintModuleRows(GridWidget& grid, int firstRow, int rowCount, bool on);

    const norvik::GatewayConfig& config_;

private:
    QGroupBox* moduleGroup_;
    std::array<QCheckBox*, 32> boxes_{};
};
