#include "safevalue/safe_value_dialog.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "common/core_colour.h"
#include "common/text_conversion.h"
#include "grid/grid_box.h"
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

}  // namespace

SafeValueDialog::SafeValueDialog(norvik::DialogMode mode, const norvik::LinkSession& session,
                                 const norvik::GatewayConfig& config, norvik::GatewayJobs& jobs,
                                 norvik::UserPrompts& prompts, QWidget* parent)
    : QDialog(parent),
      prompts_(prompts),
      editor_(std::make_unique<norvik::SafeValueEditor>(mode, session, config, jobs, prompts,
                                                        static_cast<norvik::SafeValueWindow&>(*this))) {
    setWindowTitle(tr("Safe Value Setting"));
    // The side buttons as wide as some thirteen characters, the grids some
    // thirty-eight lines high at first: the dialog's proportions in any font.
    const QFontMetrics metrics(font());

    moduleGroup_ = new QGroupBox(tr("Select module"), this);
    auto* boxes = new QGridLayout(moduleGroup_);
    const std::array<bool, 32> enabled = norvik::safeValueModuleBoxes(config);
    for (int k = 1; k <= static_cast<int>(moduleBoxes_.size()); ++k) {
        const QString caption = tr("Module%1").arg(k);
        auto* box = new QCheckBox(caption, moduleGroup_);
        box->setObjectName(caption);
        box->setChecked(false);
        box->setEnabled(enabled[static_cast<std::size_t>(k - 1)]);
        boxes->addWidget(box, (k - 1) / 8, (k - 1) % 8);
        // clicked, not toggled: only the user's click marks a module; the
        // editor's own unchecking of the box before must not.
        connect(box, &QCheckBox::clicked, this, [this, k](bool checked) { editor_->clickModule(k, checked); });
        moduleBoxes_[static_cast<std::size_t>(k - 1)] = box;
    }

    auto* digital = new GridBox(gridCaption(SafeGrid::Do), this);
    auto* analog = new GridBox(gridCaption(SafeGrid::Ao), this);
    digitalGroup_ = digital;
    analogGroup_ = analog;
    for (SafeGrid which : norvik::kSafeGrids) buildGrid(which, norvik::isDigitalGrid(which) ? *digital : *analog);
    digital->fitWidthToGrids();
    analog->fitWidthToGrids();

    auto* side = new QVBoxLayout;
    addButton(Button::Output, tr("Output "), this);  // the trailing blank is the button's own
    addButton(Button::Input, tr("Input"), this);
    addButton(Button::SaveToFile, tr("Save to File"), this);
    addButton(Button::SaveToDevice, tr("Save to Device"), this);
    for (Button b : {Button::Output, Button::Input, Button::SaveToFile, Button::SaveToDevice}) {
        button(b)->setMinimumWidth(metrics.averageCharWidth() * 13);
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
    connect(button(Button::AllHigh), &QPushButton::clicked, this,
            [this] { editor_->setAllBits(norvik::SafeBit::High); });
    connect(button(Button::AllLow), &QPushButton::clicked, this, [this] { editor_->setAllBits(norvik::SafeBit::Low); });
    connect(button(Button::AllF), &QPushButton::clicked, this, [this] { editor_->setAllWords(0xFFFF); });
    connect(button(Button::AllZero), &QPushButton::clicked, this, [this] { editor_->setAllWords(0x0000); });
    connect(button(Button::SaveToFile), &QPushButton::clicked, this, [this] { editor_->saveToFile(); });
    connect(button(Button::SaveToDevice), &QPushButton::clicked, this, [this] { editor_->saveToDevice(); });

    transferTimer_ = new QTimer(this);
    transferTimer_->setInterval(sv::kTransferTickMs);
    connect(transferTimer_, &QTimer::timeout, this, &SafeValueDialog::onTransferTimer);

    showView(norvik::SafeValueView::Output);
    resize(sizeHint().width(), std::max(sizeHint().height(), metrics.height() * 38));
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

void SafeValueDialog::buildGrid(SafeGrid which, GridBox& box) {
    GridWidget* gridWidget = box.addGrid(gridCaption(which));
    grids_[static_cast<std::size_t>(which)] = gridWidget;
    gridWidget->describeColour(toQColor(sv::kMarkedColour), tr("Selected module"));
    const bool digital = norvik::isDigitalGrid(which);
    gridWidget->setEditable(!digital);
    setUpGrid(*gridWidget, norvik::safeGridRows(which, editor_->layout()), norvik::safeGridColumns(which),
              [this, which](int row, int column) {
                  return row == 0 ? headerText(which, column) : utf8(editor_->cellText(which, row, column));
              });

    if (digital) {
        connect(gridWidget, &GridWidget::cellDoubleClicked, this,
                [this, which](int row, int column) { toggleBit(which, row, column); });
    } else {
        // The editor decides whether a word stands; once it does, the cell shows it
        // as the table holds it, in upper case.
        gridWidget->setEditValidator([this, which](int row, int column, const QString& text) {
            return editor_->editWord(which, row, column, text.toStdString()).has_value();
        });
        connect(gridWidget, &GridWidget::editFinished, this, [this, which](int row, int column) {
            grid(which).setText(row, column, utf8(editor_->cellText(which, row, column)));
        });
    }
}

void SafeValueDialog::toggleBit(SafeGrid which, int row, int column) {
    if (!editor_->toggleBit(which, row, column)) return;
    GridWidget& g = grid(which);
    g.setText(row, column, utf8(editor_->cellText(which, row, column)));
    g.refresh();
}

void SafeValueDialog::showView(norvik::SafeValueView view) {
    editor_->setView(view);
    const SafeGrid digital = editor_->visibleDigitalGrid();
    const SafeGrid analog = editor_->visibleAnalogGrid();
    digitalGroup_->setTitle(gridCaption(digital));
    analogGroup_->setTitle(gridCaption(analog));
    for (SafeGrid which : norvik::kSafeGrids) grid(which).setVisible(which == digital || which == analog);
}

QCheckBox* SafeValueDialog::moduleBox(int k) const {
    if (k < 1 || k > static_cast<int>(moduleBoxes_.size())) return nullptr;
    return moduleBoxes_[static_cast<std::size_t>(k - 1)];
}

void SafeValueDialog::onTransferTimer() { editor_->transferTick(); }

bool SafeValueDialog::transferTimerRunning() const { return transferTimer_->isActive(); }

void SafeValueDialog::setTransferRunning(bool running) {
    button(Button::SaveToDevice)->setEnabled(!running);
    if (running) transferTimer_->start();
    else transferTimer_->stop();
}

void SafeValueDialog::showGrid(SafeGrid which) {
    GridWidget& g = grid(which);
    for (int r = 1; r < g.rowCount(); ++r) {
        for (int c = 1; c < g.columnCount(); ++c) g.setText(r, c, utf8(editor_->cellText(which, r, c)));
    }
    g.refresh();
}

void SafeValueDialog::colourCell(SafeGrid which, int row, int column, uint32_t colour) {
    grid(which).setCellBackground(row, column, toQColor(colour));
}

void SafeValueDialog::uncheckModuleBox(int k) {
    if (QCheckBox* box = moduleBox(k)) box->setChecked(false);
}

void SafeValueDialog::redrawGrids() {
    for (GridWidget* g : grids_) g->refresh();
}
