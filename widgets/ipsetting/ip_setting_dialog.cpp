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

QLabel* labelFor(const char* text, QWidget* buddy) {
    auto* label = new QLabel(QLatin1String(text));
    label->setBuddy(buddy);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

}  // namespace

IpSettingDialog::IpSettingDialog(norvik::LinkSession& session, const norvik::GatewayConfig& config,
                                 norvik::IpSettingRecord& record, norvik::UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), editor_(session, config, record, prompts, *this) {
    setWindowTitle(QLatin1String(norvik::kIpSettingCaption));
    setModal(true);

    for (std::size_t field = 0; field < ipFields_.size(); ++field) {
        ipFields_[field] = new IpAddressEdit;
        ipFields_[field]->setLabel(latin1(norvik::ipFieldLabel(field)));
    }
    // Digits only; what they spell is the editor's range check to judge.
    const QRegularExpression digits(QStringLiteral("[0-9]*"));
    for (std::size_t edit = 0; edit < timeEdits_.size(); ++edit) {
        auto* box = new QLineEdit;
        box->setValidator(new QRegularExpressionValidator(digits, box));
        box->setAccessibleName(latin1(norvik::timeEditLabel(edit)));
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 8);
        // Every change, typed, pasted or set by the program or an assistive tool,
        // passes the range check.
        connect(box, &QLineEdit::textChanged, this, [this, edit] { editor_.onTimeTextChanged(edit); });
        timeEdits_[edit] = box;
    }

    buildLocalGroup();
    buildRemoteGroup();

    saveToFile_ = new QPushButton(QLatin1String(norvik::kButtonSaveToFile));
    saveToDevice_ = new QPushButton(QLatin1String(norvik::kButtonSaveToDevice));
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
    localGroup_ = new QGroupBox(QLatin1String(norvik::kGroupLocalIp));
    localGroup_->setAccessibleName(QLatin1String(norvik::kGroupLocalIp));
    auto* grid = new QGridLayout(localGroup_);
    const std::pair<std::size_t, const char*> rows[] = {{norvik::kLocalIpField, norvik::kLabelLocalIp},
                                                        {norvik::kSubnetMaskField, norvik::kLabelSubnetMask},
                                                        {norvik::kGatewayField, norvik::kLabelGateway}};
    int column = 0;
    for (const auto& [field, label] : rows) {
        grid->addWidget(labelFor(label, ipFields_[field]), 0, column++);
        grid->addWidget(ipFields_[field], 0, column++);
    }
    grid->setColumnStretch(column, 1);
}

void IpSettingDialog::buildRemoteGroup() {
    remoteGroup_ = new QGroupBox(QLatin1String(norvik::kGroupRemoteIp));
    remoteGroup_->setAccessibleName(QLatin1String(norvik::kGroupRemoteIp));
    auto* grid = new QGridLayout(remoteGroup_);
    for (std::size_t row = 0; row < norvik::kRemoteIpEntries; ++row) {
        const int r = static_cast<int>(row);
        IpAddressEdit* field = ipFields_[norvik::remoteIpField(row)];
        QLineEdit* timeout = timeEdits_[norvik::timeoutEdit(row)];
        QLineEdit* reconnect = timeEdits_[norvik::reconnectEdit(row)];
        grid->addWidget(labelFor(norvik::kLabelRemoteIp[row], field), r, 0);
        grid->addWidget(field, r, 1);
        grid->addWidget(labelFor(norvik::kLabelTimeout, timeout), r, 2);
        grid->addWidget(timeout, r, 3);
        grid->addWidget(labelFor(norvik::kLabelReconnect, reconnect), r, 4);
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
