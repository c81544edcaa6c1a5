#include "safevalue/safe_value_dialog.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "grid/grid_widget.h"

namespace sv = norvik::safevalue;
using norvik::SafeGrid;

namespace {

// The dialog's words, in the order of EditorMessage.
constexpr const char* kMessages[] = {
    QT_TRANSLATE_NOOP("SafeValueDialog", "Error ! It is loading parameter now. Please wait."),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Error ! Device is not connected yet."),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Error ! It is not loaded parameter yet. Please wait."),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Error ! This function is only supported HX-3420."),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Error ! File doesn't exits or other unexpected error."),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Error ! File can not create or other unexpected error."),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Timer Creat failure"),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Save Safe Value Finish."),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Send Safe Value Error !"),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Save Safe Value Error !"),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Receive Safe Value finish ."),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Receive Safe Value Error !"),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Read Safe Value Error !"),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Error ! Save Safe Value break."),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Error ! Data length are not 4 digit"),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Error ! Data is not 0~9 or A~F"),
    QT_TRANSLATE_NOOP("SafeValueDialog", "Error ! AI/AO value is not set."),
};
constexpr auto kLastMessage = static_cast<std::size_t>(norvik::EditorMessage::ValuesUnset);
static_assert(std::size(kMessages) == kLastMessage + 1);

constexpr const char* kTitleMessage = QT_TRANSLATE_NOOP("SafeValueDialog", "Message");
constexpr const char* kGridCaptions[] = {
    QT_TRANSLATE_NOOP("SafeValueDialog", "DO"),
    QT_TRANSLATE_NOOP("SafeValueDialog", "DI"),
    QT_TRANSLATE_NOOP("SafeValueDialog", "AO"),
    QT_TRANSLATE_NOOP("SafeValueDialog", "AI"),
};

constexpr uint32_t kHeaderFormat = norvik::GridFormat::ColumnHeader;
constexpr uint32_t kLabelFormat = norvik::GridFormat::RowLabel;
constexpr uint32_t kCellFormat = norvik::GridFormat::DataCell;

constexpr std::array<int, 4> kGridIds{1052, 1053, 1054, 1055};
constexpr int kFirstModuleBoxId = 1016;
constexpr int kInsetSide = 5;
constexpr int kInsetTop = 15;
constexpr int kInsetBottom = 3;

// The dialog was drawn in dialog units: a quarter of the average character
// width across, an eighth of the font height down.
struct Units {
    double x;
    double y;
    explicit Units(const QFont& font) {
        const QFontMetricsF metrics(font);
        x = metrics.horizontalAdvance(
                QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")) / 52.0 / 4.0;
        y = metrics.height() / 8.0;
    }
    int toX(double units) const { return static_cast<int>(units * x + 0.5); }
    int toY(double units) const { return static_cast<int>(units * y + 0.5); }
};

// A group box whose grids take its frame, inset below the caption; only one
// of them is shown at a time.
class GridGroup : public QGroupBox {
public:
    GridGroup(const QString& title, int controlId, QWidget* parent) : QGroupBox(title, parent) {
        setProperty("controlId", controlId);
    }
    QRect gridRect() const { return rect().adjusted(kInsetSide, kInsetTop, -kInsetSide, -kInsetBottom); }
    void addGrid(GridWidget* grid) { grids_.push_back(grid); }
    // As wide as its grids with a vertical scroll bar, no wider: past the last
    // column a grid shows only blank space.
    void fitWidthToGrids() {
        int widest = 0;
        for (GridWidget* grid : grids_) {
            widest = std::max(widest, grid->totalSize().width() + 2 * grid->frameWidth() +
                                          grid->verticalScrollBar()->sizeHint().width());
        }
        setFixedWidth(widest + 2 * kInsetSide);
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QGroupBox::resizeEvent(event);
        for (GridWidget* grid : grids_) grid->setGeometry(gridRect());
    }

private:
    std::vector<GridWidget*> grids_;
};

}  // namespace

SafeValueDialog::SafeValueDialog(norvik::DialogMode mode, const norvik::LinkSession& session,
                                 const norvik::GatewayConfig& config, norvik::GatewayJobs& jobs,
                                 norvik::UserPrompts& prompts, QWidget* parent)
    : QDialog(parent),
      prompts_(prompts),
      editor_(std::make_unique<norvik::SafeValueEditor>(mode, session, config, jobs, prompts,
                                                        static_cast<norvik::SafeValueWindow&>(*this))) {
    setWindowTitle(tr("Safe Value Setting"));
    const Units du(font());

    moduleGroup_ = new QGroupBox(tr("Select module"), this);
    auto* boxes = new QGridLayout(moduleGroup_);
    const std::array<bool, 32> enabled = norvik::safeValueModuleBoxes(config);
    for (int k = 1; k <= static_cast<int>(moduleBoxes_.size()); ++k) {
        const QString caption = tr("Module%1").arg(k);
        auto* box = new QCheckBox(caption, moduleGroup_);
        box->setObjectName(caption);
        box->setProperty("controlId", kFirstModuleBoxId + k - 1);
        box->setChecked(false);
        box->setEnabled(enabled[static_cast<std::size_t>(k - 1)]);
        boxes->addWidget(box, (k - 1) / 8, (k - 1) % 8);
        // clicked, not toggled: only the user's click marks a module; the
        // editor's own unchecking of the box before must not.
        connect(box, &QCheckBox::clicked, this, [this, k](bool checked) { editor_->clickModule(k, checked); });
        moduleBoxes_[static_cast<std::size_t>(k - 1)] = box;
    }

    auto* digital = new GridGroup(gridCaption(SafeGrid::Do), 1056, this);
    auto* analog = new GridGroup(gridCaption(SafeGrid::Ao), 1063, this);
    digitalGroup_ = digital;
    analogGroup_ = analog;
    for (SafeGrid which : norvik::kSafeGrids) {
        GridGroup* group = norvik::isDigitalGrid(which) ? digital : analog;
        buildGrid(which, group, group->gridRect());
        group->addGrid(&grid(which));
    }
    digital->fitWidthToGrids();
    analog->fitWidthToGrids();

    auto* side = new QVBoxLayout;
    addButton(Button::Output, tr("Output "), this);  // the trailing blank is the button's own
    addButton(Button::Input, tr("Input"), this);
    addButton(Button::SaveToFile, tr("Save to File"), this);
    addButton(Button::SaveToDevice, tr("Save to Device"), this);
    for (Button b : {Button::Output, Button::Input, Button::SaveToFile, Button::SaveToDevice}) {
        button(b)->setMinimumWidth(du.toX(52));
        side->addWidget(button(b));
    }
    side->addStretch(1);

    auto* bitButtons = new QHBoxLayout;
    auto* wordButtons = new QHBoxLayout;
    bitButtons->addWidget(addButton(Button::AllHigh, tr("All set to \"H\""), this));
    bitButtons->addWidget(addButton(Button::AllLow, tr("All set to \"L\""), this));
    bitButtons->addStretch(1);
    wordButtons->addWidget(addButton(Button::AllF, tr("All set to \"F\""), this));
    wordButtons->addWidget(addButton(Button::AllZero, tr("All set to \"0\""), this));
    wordButtons->addStretch(1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(moduleGroup_, 0, 0, 1, 3);
    layout->addWidget(digital, 1, 0);
    layout->addWidget(analog, 1, 1);
    layout->addLayout(side, 1, 2);
    layout->addLayout(bitButtons, 2, 0);
    layout->addLayout(wordButtons, 2, 1);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(2, 1);

    connect(button(Button::Output), &QPushButton::clicked, this, [this] { showView(norvik::SafeValueView::Output); });
    connect(button(Button::Input), &QPushButton::clicked, this, [this] { showView(norvik::SafeValueView::Input); });
    connect(button(Button::AllHigh), &QPushButton::clicked, this, [this] { editor_->setAllBits(norvik::SafeBit::High); });
    connect(button(Button::AllLow), &QPushButton::clicked, this, [this] { editor_->setAllBits(norvik::SafeBit::Low); });
    connect(button(Button::AllF), &QPushButton::clicked, this, [this] { editor_->setAllWords(0xFFFF); });
    connect(button(Button::AllZero), &QPushButton::clicked, this, [this] { editor_->setAllWords(0x0000); });
    connect(button(Button::SaveToFile), &QPushButton::clicked, this, [this] { editor_->saveToFile(); });
    connect(button(Button::SaveToDevice), &QPushButton::clicked, this, [this] { editor_->saveToDevice(); });

    transferTimer_ = new QTimer(this);
    transferTimer_->setInterval(sv::kTransferTickMs);
    connect(transferTimer_, &QTimer::timeout, this, &SafeValueDialog::onTransferTimer);

    showView(norvik::SafeValueView::Output);
    resize(sizeHint().width(), std::max(sizeHint().height(), du.toY(305)));
    editor_->start();
}

// Closing withdraws nothing: a job still pending is carried out by the
// gateway, only its result is no longer shown.
SafeValueDialog::~SafeValueDialog() = default;

QString SafeValueDialog::messageText(norvik::EditorMessage message) {
    const auto index = static_cast<std::size_t>(message);
    return index < std::size(kMessages) ? tr(kMessages[index]) : QString();
}

QString SafeValueDialog::headerText(SafeGrid which, int column) {
    if (column == 0) return tr("Address");
    if (!norvik::isDigitalGrid(which)) return column == 1 ? tr("Configure(Hex)") : QString();
    return column <= 8 ? tr("bit %1").arg(column - 1) : QString();
}

QString SafeValueDialog::gridCaption(SafeGrid which) { return tr(kGridCaptions[static_cast<std::size_t>(which)]); }

void SafeValueDialog::tell(norvik::EditorMessage message) {
    prompts_.showMessage(tr(kTitleMessage).toStdString(), messageText(message).toStdString());
}

QPushButton* SafeValueDialog::addButton(Button which, const QString& caption, QWidget* parent) {
    auto* pushButton = new QPushButton(caption, parent);
    pushButton->setAutoDefault(false);
    buttons_[static_cast<std::size_t>(which)] = pushButton;
    return pushButton;
}

void SafeValueDialog::buildGrid(SafeGrid which, QGroupBox* box, const QRect& rect) {
    auto* gridWidget = new GridWidget(box);
    grids_[static_cast<std::size_t>(which)] = gridWidget;
    gridWidget->setAccessibleName(gridCaption(which));
    gridWidget->describeColour(sv::kMarkedColour, tr("Selected module"));
    gridWidget->createIn(box, rect, kGridIds[static_cast<std::size_t>(which)]);

    const bool digital = norvik::isDigitalGrid(which);
    gridWidget->setEditable(!digital);
    gridWidget->enableDragAndDrop(false);
    const int rows = norvik::safeGridRows(which, editor_->layout());
    const int columns = norvik::safeGridColumns(which);
    gridWidget->setRowCount(rows);
    gridWidget->setColumnCount(columns);
    gridWidget->setFixedRowCount(1);
    gridWidget->setFixedColumnCount(1);
    gridWidget->getDefaultCell(true, false).setBackColour(norvik::HeaderGrey);
    gridWidget->getDefaultCell(false, true).setBackColour(norvik::HeaderGrey);
    gridWidget->getDefaultCell(true, true).setBackColour(norvik::HeaderGrey);
    norvik::GridItem item;
    item.mask = norvik::GridMask::Text | norvik::GridMask::Format;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            item.row = r;
            item.column = c;
            item.format = r == 0 ? kHeaderFormat : (c == 0 ? kLabelFormat : kCellFormat);
            item.text = r == 0 ? headerText(which, c).toStdString() : editor_->cellText(which, r, c);
            gridWidget->setItem(item);
        }
    }
    gridWidget->autoSize();

    if (digital) {
        gridWidget->setOwner(
            [this, which](const norvik::GridNotification& notice) { return onDigitalNotice(which, notice); });
    } else {
        gridWidget->setOwner(
            [this, which](const norvik::GridNotification& notice) { return onAnalogNotice(which, notice); });
    }
}

int SafeValueDialog::onDigitalNotice(SafeGrid which, const norvik::GridNotification& notice) {
    if (notice.code != norvik::NM_DBLCLK) return 0;
    if (!editor_->toggleBit(which, notice.row, notice.column)) return 0;
    GridWidget& g = grid(which);
    if (norvik::GridCell* cell = g.getCell(notice.row, notice.column)) {
        cell->setText(editor_->cellText(which, notice.row, notice.column));
        g.markModified(notice.row, notice.column);
    }
    g.refresh();
    return 0;
}

int SafeValueDialog::onAnalogNotice(SafeGrid which, const norvik::GridNotification& notice) {
    if (notice.code != norvik::GRID_END_EDIT) return 0;
    GridWidget& g = grid(which);
    const std::optional<std::string> shown =
        editor_->editWord(which, notice.row, notice.column, g.getItemText(notice.row, notice.column));
    if (!shown) return -1;
    if (norvik::GridCell* cell = g.getCell(notice.row, notice.column)) cell->setText(*shown);
    return 0;
}

void SafeValueDialog::showView(norvik::SafeValueView view) {
    editor_->setView(view);
    const SafeGrid digital = editor_->visibleDigitalGrid();
    const SafeGrid analog = editor_->visibleAnalogGrid();
    digitalGroup_->setTitle(gridCaption(digital));
    analogGroup_->setTitle(gridCaption(analog));
    for (SafeGrid which : norvik::kSafeGrids) grid(which).showGrid(which == digital || which == analog);
}

QCheckBox* SafeValueDialog::moduleBox(int k) const {
    if (k < 1 || k > static_cast<int>(moduleBoxes_.size())) return nullptr;
    return moduleBoxes_[static_cast<std::size_t>(k - 1)];
}

void SafeValueDialog::onTransferTimer() { editor_->transferTick(); }

bool SafeValueDialog::transferTimerRunning() const { return transferTimer_->isActive(); }

void SafeValueDialog::setTransferRunning(bool running) {
    button(Button::SaveToDevice)->setEnabled(!running);
    if (running)
        transferTimer_->start();
    else
        transferTimer_->stop();
}

void SafeValueDialog::showGrid(SafeGrid which) {
    GridWidget& g = grid(which);
    const int rows = g.getRowCount();
    const int columns = g.getColumnCount();
    for (int r = 1; r < rows; ++r) {
        for (int c = 1; c < columns; ++c) {
            if (norvik::GridCell* cell = g.getCell(r, c)) {
                cell->setText(editor_->cellText(which, r, c));
                g.markModified(r, c);
            }
        }
    }
    g.refresh();
}

void SafeValueDialog::colourCell(SafeGrid which, int row, int column, uint32_t colour) {
    grid(which).setItemBackground(row, column, colour);
}

void SafeValueDialog::uncheckModuleBox(int k) {
    if (QCheckBox* box = moduleBox(k)) box->setChecked(false);
}

void SafeValueDialog::redrawGrids() {
    for (GridWidget* g : grids_) g->refresh();
}
