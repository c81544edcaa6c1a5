#include "ipsetting/ip_setting_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

#include "ipsetting/ip_address_edit.h"
#include "common/text_conversion.h"

namespace {

QLabel* labelFor(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

// The label of each IP-address field, in field order.
constexpr const char* kFieldLabels[] = {
    QT_TRANSLATE_NOOP("IpSettingDialog", "I P :"),     QT_TRANSLATE_NOOP("IpSettingDialog", "MASK :"),
    QT_TRANSLATE_NOOP("IpSettingDialog", "GATEWAY :"), QT_TRANSLATE_NOOP("IpSettingDialog", "I P (1) :"),
    QT_TRANSLATE_NOOP("IpSettingDialog", "I P (2) :"), QT_TRANSLATE_NOOP("IpSettingDialog", "I P (3) :"),
    QT_TRANSLATE_NOOP("IpSettingDialog", "I P (4) :"), QT_TRANSLATE_NOOP("IpSettingDialog", "I P (5) :"),
    QT_TRANSLATE_NOOP("IpSettingDialog", "I P (6) :"), QT_TRANSLATE_NOOP("IpSettingDialog", "I P (7) :"),
    QT_TRANSLATE_NOOP("IpSettingDialog", "I P (8) :"),
};
static_assert(std::size(kFieldLabels) == norvik::kIpFieldCount);
constexpr const char* kLabelTimeout = QT_TRANSLATE_NOOP("IpSettingDialog", "Time out value (ms) :");
constexpr const char* kLabelReconnect = QT_TRANSLATE_NOOP("IpSettingDialog", "ReConnect time (ms) :");

// The dialog's words, in the order of EditorMessage.
constexpr const char* kMessages[] = {
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! It is loading parameter now. Please wait."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! Device is not connected yet."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! It is not loaded parameter yet. Please wait."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! This function is only supported HX-3420."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! File doesn't exits or other unexpected error."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! File can not create or other unexpected error."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Timer Creat failure"),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Save IP Setting Finish."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Send IP Setting Error !"),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Save IP Setting Error !"),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Receive IP Setting finish ."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Receive IP Setting Error !"),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Read IP Setting Error !"),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! IP Setting Value break."),
    nullptr,  // the safe-value table's words
    nullptr,
    nullptr,
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! Local IP isn't legal."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! Remote IP (1) isn't legal."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! Remote IP (2) isn't legal."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! Remote IP (3) isn't legal."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! Remote IP (4) isn't legal."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! Remote IP (5) isn't legal."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! Remote IP (6) isn't legal."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! Remote IP (7) isn't legal."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error ! Remote IP (8) isn't legal."),
    QT_TRANSLATE_NOOP("IpSettingDialog", "Error !! Value must be 1~65535"),
};
static_assert(std::size(kMessages) == static_cast<std::size_t>(norvik::EditorMessage::TimeOutOfRange) + 1);

constexpr const char* kTitleMessage = QT_TRANSLATE_NOOP("IpSettingDialog", "Message");

}  // namespace

IpSettingDialog::IpSettingDialog(norvik::DialogMode mode, const norvik::LinkSession& session,
                                 const norvik::GatewayConfig& config, norvik::GatewayJobs& jobs,
                                 norvik::IpSettingRecord& record, norvik::UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), prompts_(prompts), editor_(mode, session, config, jobs, record, prompts, *this) {
    setWindowTitle(tr("IP Setting"));
    setModal(true);

    for (std::size_t field = 0; field < ipFields_.size(); ++field) {
        ipFields_[field] = new IpAddressEdit;
        ipFields_[field]->setLabel(fieldLabel(field));
    }
    // Digits only; what they spell is the editor's range check to judge.
    const QRegularExpression digits(QStringLiteral("[0-9]*"));
    for (std::size_t edit = 0; edit < timeEdits_.size(); ++edit) {
        auto* box = new QLineEdit;
        box->setValidator(new QRegularExpressionValidator(digits, box));
        box->setAccessibleName(timeEditLabel(edit));
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 8);
        // Every change, typed, pasted or set by the program or an assistive tool,
        // passes the range check.
        connect(box, &QLineEdit::textChanged, this, [this, edit] { editor_.onTimeTextChanged(edit); });
        timeEdits_[edit] = box;
    }

    buildLocalGroup();
    buildRemoteGroup();

    saveToFile_ = new QPushButton(tr("Save to File"));
    saveToDevice_ = new QPushButton(tr("Save to Device"));
    // Enter closes the dialog; only the button that has the focus takes it as a click.
    for (QPushButton* button : {saveToFile_, saveToDevice_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(saveToFile_, &QPushButton::clicked, this, [this] { editor_.saveToFile(); });
    connect(saveToDevice_, &QPushButton::clicked, this, [this] { editor_.saveToDevice(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveToFile_);
    buttons->addWidget(saveToDevice_);

    auto* column = new QVBoxLayout(this);
    column->addWidget(localGroup_);
    column->addWidget(remoteGroup_);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    transferTimer_ = new QTimer(this);
    transferTimer_->setInterval(1000);
    connect(transferTimer_, &QTimer::timeout, this, &IpSettingDialog::onTransferTimer);

    editor_.open();
}

void IpSettingDialog::buildLocalGroup() {
    localGroup_ = new QGroupBox(tr("Local IP Setting"));
    localGroup_->setAccessibleName(localGroup_->title());
    auto* grid = new QGridLayout(localGroup_);
    int column = 0;
    for (const std::size_t field : {norvik::kLocalIpField, norvik::kSubnetMaskField, norvik::kGatewayField}) {
        grid->addWidget(labelFor(fieldLabel(field), ipFields_[field]), 0, column++);
        grid->addWidget(ipFields_[field], 0, column++);
    }
    grid->setColumnStretch(column, 1);
}

void IpSettingDialog::buildRemoteGroup() {
    remoteGroup_ = new QGroupBox(tr("Remote IP Setting"));
    remoteGroup_->setAccessibleName(remoteGroup_->title());
    auto* grid = new QGridLayout(remoteGroup_);
    for (std::size_t row = 0; row < norvik::kRemoteIpEntries; ++row) {
        const int r = static_cast<int>(row);
        IpAddressEdit* field = ipFields_[norvik::remoteIpField(row)];
        QLineEdit* timeout = timeEdits_[norvik::timeoutEdit(row)];
        QLineEdit* reconnect = timeEdits_[norvik::reconnectEdit(row)];
        grid->addWidget(labelFor(fieldLabel(norvik::remoteIpField(row)), field), r, 0);
        grid->addWidget(field, r, 1);
        grid->addWidget(labelFor(tr(kLabelTimeout), timeout), r, 2);
        grid->addWidget(timeout, r, 3);
        grid->addWidget(labelFor(tr(kLabelReconnect), reconnect), r, 4);
        grid->addWidget(reconnect, r, 5);
    }
    grid->setColumnMinimumWidth(2, fontMetrics().averageCharWidth() * 2);
}

// --- what the editor asks of the window ---------------------------------------

norvik::Ipv4 IpSettingDialog::address(std::size_t field) const { return ipFields_.at(field)->address(); }

void IpSettingDialog::showAddress(std::size_t field, const norvik::Ipv4& address) {
    ipFields_.at(field)->setAddress(address);
}

std::string IpSettingDialog::timeText(std::size_t edit) const { return timeEdits_.at(edit)->text().toStdString(); }

void IpSettingDialog::showTimeText(std::size_t edit, const std::string& text) {
    QLineEdit* box = timeEdits_.at(edit);
    const QString shown = latin1(text);
    // The same text again emits no textChanged, yet still counts as a change.
    if (box->text() == shown) editor_.onTimeTextChanged(edit);
    else box->setText(shown);
}

void IpSettingDialog::setSaveToDeviceEnabled(bool enabled) { saveToDevice_->setEnabled(enabled); }

bool IpSettingDialog::startTransferTimer() {
    transferTimer_->start();
    return transferTimer_->isActive();
}

void IpSettingDialog::stopTransferTimer() { transferTimer_->stop(); }

void IpSettingDialog::onTransferTimer() { editor_.onTransferTick(); }

QString IpSettingDialog::fieldLabel(std::size_t field) { return tr(kFieldLabels[field]); }

QString IpSettingDialog::timeEditLabel(std::size_t edit) {
    const std::size_t row = edit % norvik::kRemoteIpEntries;
    return fieldLabel(norvik::remoteIpField(row)) + QLatin1Char(' ') +
           tr(edit < norvik::kRemoteIpEntries ? kLabelTimeout : kLabelReconnect);
}

QString IpSettingDialog::messageText(norvik::EditorMessage message) {
    const auto index = static_cast<std::size_t>(message);
    return index < std::size(kMessages) && kMessages[index] ? tr(kMessages[index]) : QString();
}

void IpSettingDialog::tell(norvik::EditorMessage message) {
    prompts_.showMessage(tr(kTitleMessage).toStdString(), messageText(message).toStdString());
}

// --- closing -------------------------------------------------------------------------

void IpSettingDialog::done(int result) {
    // A request still pending stays with the console dialogue; its result is
    // then shown to nobody.
    transferTimer_->stop();
    QDialog::done(result);
}

void IpSettingDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}
