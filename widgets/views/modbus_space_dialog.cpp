#include "views/modbus_space_dialog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "common/core_colour.h"
#include "common/text_conversion.h"

using norvik::ModbusKind;
using norvik::SpaceUse;

namespace {

// Kept with the other choices in norvik/norvik.ini.
constexpr const char* kRegisterNumbersKey = "ModbusView/registerNumbersFrom1";

QSettings viewSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("norvik"), QStringLiteral("norvik"));
}

const char* colourName(SpaceUse use) {
    switch (use) {
    case SpaceUse::NotUsed: return QT_TRANSLATE_NOOP("ModbusSpaceDialog", "white");
    case SpaceUse::InUse: return QT_TRANSLATE_NOOP("ModbusSpaceDialog", "cyan");
    case SpaceUse::AddrOverlap: return QT_TRANSLATE_NOOP("ModbusSpaceDialog", "blue");
    case SpaceUse::AddrIdOverlap: return QT_TRANSLATE_NOOP("ModbusSpaceDialog", "red");
    }
    return "";
}

// A legend colour in a thin frame, or the white swatch vanishes against a light
// dialog and the blue one against a dark one. The frame lies between the dialog's
// text and background colours, so it shows on either and follows a palette change.
class Swatch : public QLabel {
public:
    Swatch(SpaceUse use, QWidget* parent) : QLabel(parent), use_(use) {
        setAccessibleName(ModbusSpaceDialog::tr(colourName(use)));
        setFixedSize(18, 12);
        setObjectName(QStringLiteral("swatch%1").arg(static_cast<int>(use)));
        paintSwatch();
    }

protected:
    void changeEvent(QEvent* event) override {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::PaletteChange) paintSwatch();
    }

private:
    void paintSwatch() {
        QPixmap pixmap(size());
        pixmap.fill(toQColor(norvik::spaceUseColour(use_)));
        const QColor text = palette().color(QPalette::WindowText);
        const QColor back = palette().color(QPalette::Window);
        const auto mix = [](int t, int b) { return (3 * t + 2 * b + 2) / 5; };
        QPainter painter(&pixmap);
        painter.setPen(
            QColor(mix(text.red(), back.red()), mix(text.green(), back.green()), mix(text.blue(), back.blue())));
        painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
        painter.end();
        setPixmap(pixmap);
    }

    SpaceUse use_;
};

}  // namespace

ModbusSpaceDialog::ModbusSpaceDialog(const norvik::GatewayConfig& config, QWidget* parent)
    : SpaceDialog(config, tr("Space configuration in modbus"), parent) {
    bitGroup_ = new GridBox(QStringLiteral("DO"), this);
    wordGroup_ = new GridBox(QStringLiteral("AO"), this);
    counters_.reset();

    for (ModbusKind kind :
         {ModbusKind::DO, ModbusKind::DI, ModbusKind::AO, ModbusKind::AI, ModbusKind::RDO, ModbusKind::RAO}) {
        GridBox* box = norvik::isBitKind(kind) ? bitGroup_ : wordGroup_;
        GridWidget* grid = addSpaceGrid(*box, latin1(norvik::modbusKindName(kind)), norvik::modbusGridRows(kind),
                                        norvik::modbusGridColumns(kind), [kind](int row, int column) {
                                            return row == 0 ? norvik::modbusHeaderText(kind, column)
                                                            : norvik::modbusRowLabel(kind, row);
                                        });
        grids_[static_cast<std::size_t>(kind)] = grid;
    }
    for (ModbusKind hidden : {ModbusKind::DI, ModbusKind::AI, ModbusKind::RDO, ModbusKind::RAO}) {
        kindGrid(hidden).setVisible(false);
    }
    bitGroup_->fitWidthToGrids();
    wordGroup_->fitWidthToGrids();

    writeOutput_ = new QPushButton(tr("Write Output "), this);
    readInput_ = new QPushButton(tr("Read Input"), this);
    readOutput_ = new QPushButton(tr("Read Output "), this);
    for (QPushButton* button : {writeOutput_, readInput_, readOutput_}) button->setAutoDefault(false);
    connect(writeOutput_, &QPushButton::clicked, this, [this] { showModbusSpace(ModbusKind::DO, ModbusKind::AO); });
    connect(readInput_, &QPushButton::clicked, this, [this] { showModbusSpace(ModbusKind::DI, ModbusKind::AI); });
    connect(readOutput_, &QPushButton::clicked, this, [this] { showModbusSpace(ModbusKind::RDO, ModbusKind::RAO); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(writeOutput_);
    buttons->addWidget(readInput_);
    buttons->addWidget(readOutput_);
    buttons->addStretch(1);

    auto* spaces = new QHBoxLayout;
    spaces->addWidget(bitGroup_);
    spaces->addWidget(wordGroup_);
    spaces->addLayout(buttons);
    spaces->addStretch(1);

    auto* legend = new QHBoxLayout;
    const std::array<std::pair<SpaceUse, const char*>, 4> entries = {
        {{SpaceUse::NotUsed, QT_TRANSLATE_NOOP("ModbusSpaceDialog", "Not used :")},
         {SpaceUse::InUse, QT_TRANSLATE_NOOP("ModbusSpaceDialog", "In used :")},
         {SpaceUse::AddrOverlap, QT_TRANSLATE_NOOP("ModbusSpaceDialog", "Addr. overlap :")},
         {SpaceUse::AddrIdOverlap, QT_TRANSLATE_NOOP("ModbusSpaceDialog", "Addr. and ID overlap :")}}};
    for (const auto& [use, text] : entries) {
        legend->addWidget(new QLabel(tr(text), this));
        legend->addWidget(new Swatch(use, this));
        legend->addSpacing(16);
    }
    legend->addStretch(1);

    auto* menuBar = new QMenuBar(this);
    QMenu* view = menuBar->addMenu(tr("&View"));
    registerNumbers_ = view->addAction(tr("Register numbers from 1"));
    registerNumbers_->setCheckable(true);
    registerNumbers_->setChecked(viewSettings().value(QLatin1String(kRegisterNumbersKey), false).toBool());
    connect(registerNumbers_, &QAction::toggled, this, &ModbusSpaceDialog::showRegisterNumbers);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addWidget(moduleGroup());
    layout->addLayout(spaces, 1);
    layout->addLayout(legend);
    if (registerNumbers_->isChecked()) relabelRows(true);
    resize(sizeHint().width(), 600);

    enableModuleBoxes();
    for (int k = 1; k <= norvik::shownModuleCount(config_); ++k) markModbusModule(k, true);
    if (config_.role == norvik::ModbusRole::Slave) readOutput_->setEnabled(false);
}

void ModbusSpaceDialog::relabelRows(bool registerNumbers) {
    for (int i = 0; i < norvik::kModbusKinds; ++i) {
        const auto kind = static_cast<ModbusKind>(i);
        GridWidget& grid = kindGrid(kind);
        for (int row = 1; row < grid.rowCount(); ++row)
            grid.setText(row, 0, latin1(norvik::modbusRowLabel(kind, row, registerNumbers).c_str()));
        grid.autoSize();
    }
    bitGroup_->fitWidthToGrids();
    wordGroup_->fitWidthToGrids();
}

void ModbusSpaceDialog::showRegisterNumbers(bool on) {
    registerNumbers_->setChecked(on);
    viewSettings().setValue(QLatin1String(kRegisterNumbersKey), on);
    relabelRows(on);
}

void ModbusSpaceDialog::markModbusModule(int k, bool add) {
    for (const norvik::AddressMark& mark : norvik::markModbusModule(counters_, config_, k, add)) {
        const norvik::GridCellRef cell = norvik::modbusCell(mark.kind, mark.address);
        kindGrid(mark.kind).setCellBackground(cell.row, cell.column, toQColor(norvik::spaceUseColour(mark.use)));
    }
    for (GridWidget* grid : grids_) grid->refresh();
}

void ModbusSpaceDialog::showModbusSpace(ModbusKind bitKind, ModbusKind wordKind) {
    bitGroup_->setTitle(latin1(norvik::modbusKindName(bitKind)));
    wordGroup_->setTitle(latin1(norvik::modbusKindName(wordKind)));
    for (int i = 0; i < norvik::kModbusKinds; ++i) {
        const auto kind = static_cast<ModbusKind>(i);
        kindGrid(kind).setVisible(kind == bitKind || kind == wordKind);
    }
}
