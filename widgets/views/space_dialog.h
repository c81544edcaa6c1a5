#pragma once
// The frame the three address-space views share: the "Select module" box with its
// 32 check boxes, and group boxes that each hold grids placed inside their frame.

#include <QDialog>
#include <QGroupBox>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "grid/grid_widget.h"
#include "model/gateway_config.h"

class QCheckBox;
class QLayout;

// A group box whose grids fill its frame, inset below the caption.
class GridBox : public QGroupBox {
    Q_OBJECT
public:
    GridBox(const QString& title, int controlId, QWidget* parent = nullptr);
    // The grid is named for assistive tools, since the box title may change under it.
    GridWidget* addGrid(int controlId, const QString& accessibleName);
    QRect gridRect() const;
    const std::vector<GridWidget*>& grids() const { return grids_; }
    // Wide enough for the widest grid and its scroll bar.
    void fitWidthToGrids();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<GridWidget*> grids_;
};

class SpaceDialog : public QDialog {
    Q_OBJECT
public:
    SpaceDialog(const norvik::GatewayConfig& config, const QString& caption, QWidget* parent);

    QCheckBox* moduleBox(int k) const;
    void enableModuleBoxes();

    using TextOf = std::function<std::string(int row, int column)>;
    // The set-up every view gives its grids: counts, grey headers, texts and formats, sizes.
    static void setUpGrid(GridWidget& grid, int rows, int columns, const TextOf& textOf);

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
