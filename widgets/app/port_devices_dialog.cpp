#include "app/port_devices_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSettings>
#include <QVBoxLayout>

#include "app/serial_port_texts.h"
#include "serial/network_port.h"
#include "common/text_conversion.h"

namespace t = norvik::serialtexts;

namespace {

QString deviceText(const char* source) { return QCoreApplication::translate("PortDevicesDialog", source); }

QString comName(int port) { return QStringLiteral("Com%1").arg(port); }

QSettings portSettings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("norvik"), QStringLiteral("norvik"));
}

const QString kGroup = QStringLiteral("PortDevices");

// The path, and where it leads now: to nothing, or for a link to which device.
QString describedDevice(const std::string& path) {
    if (norvik::isNetworkDevice(path) && !norvik::parseNetworkAddress(path))
        return deviceText(t::kMalformedAddress).arg(utf8(path));
    const norvik::DeviceWhereabouts where = norvik::deviceWhereabouts(path);
    if (!where.present) return deviceText(t::kAbsent).arg(utf8(path));
    if (where.resolved.empty()) return utf8(path);
    return deviceText(t::kResolved).arg(utf8(path), utf8(where.resolved));
}

// What the Opens column says: the device, where a link leads or that it is
// absent, and the variable when one overrides the choice.
QString opensText(uint8_t port, const norvik::SavedPortDevices& saved) {
    const norvik::ComDevice device = norvik::comDevice(port, saved);
    QString text = describedDevice(device.path);
    if (device.source == norvik::DeviceSource::Environment)
        text +=
            QStringLiteral(" (") + deviceText(t::kSetBy).arg(utf8(norvik::comVariableName(port))) + QLatin1Char(')');
    return text;
}

QString detectedText(const DetectedDevice& device) {
    QStringList details;
    if (!device.maker.isEmpty()) details << device.maker;
    if (!device.serialNumber.isEmpty()) details << deviceText(t::kSerialNumber).arg(device.serialNumber);
    QString text = device.path;
    if (!device.description.isEmpty()) text += QStringLiteral(": ") + device.description;
    if (!details.isEmpty()) text += QStringLiteral(" (") + details.join(QStringLiteral(", ")) + QLatin1Char(')');
    return text;
}

}  // namespace

norvik::SavedPortDevices loadPortDevices() {
    QSettings settings = portSettings();
    settings.beginGroup(kGroup);
    norvik::SavedPortDevices devices;
    for (int port = 1; port <= norvik::kComPortCount; ++port)
        devices[static_cast<std::size_t>(port - 1)] = settings.value(comName(port)).toString().toStdString();
    return devices;
}

void savePortDevices(const norvik::SavedPortDevices& devices) {
    QSettings settings = portSettings();
    settings.beginGroup(kGroup);
    for (int port = 1; port <= norvik::kComPortCount; ++port) {
        const std::string& path = devices[static_cast<std::size_t>(port - 1)];
        if (path.empty()) settings.remove(comName(port));
        else settings.setValue(comName(port), utf8(path));
    }
    settings.endGroup();
    settings.sync();
}

QString portDeviceSummary(uint8_t port, const norvik::SavedPortDevices& saved) {
    return deviceText(t::kOpens).arg(comName(port), opensText(port, saved));
}

std::vector<DetectedDevice> PortDevicesDialog::detect(const norvik::DeviceRoots& roots) {
    std::vector<DetectedDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        DetectedDevice device;
        device.path = info.systemLocation();
        device.stableName = utf8(norvik::stableNameFor(device.path.toStdString(), roots));
        device.description = info.description();
        device.maker = info.manufacturer();
        device.serialNumber = info.serialNumber();
        devices.push_back(device);
    }
    return devices;
}

PortDevicesDialog::PortDevicesDialog(QWidget* parent, norvik::DeviceRoots roots)
    : QDialog(parent), roots_(std::move(roots)) {
    setWindowTitle(deviceText(t::kPortDevicesCaption));
    setAccessibleName(windowTitle());

    auto* intro = new QLabel(deviceText(t::kPortDevicesIntro), this);
    intro->setWordWrap(true);

    auto* grid = new QGridLayout;
    const char* headings[] = {t::kColumnPort, t::kColumnDevice, t::kColumnDetected, t::kColumnOpens};
    for (int column = 0; column < 4; ++column) {
        auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(deviceText(headings[column]).toHtmlEscaped()), this);
        grid->addWidget(heading, 0, column);
    }
    const norvik::SavedPortDevices saved = loadPortDevices();
    for (int port = 1; port <= norvik::kComPortCount; ++port) {
        Row& row = rows_[index(port)];
        const QString com = comName(port);
        row.path = new QLineEdit(utf8(saved[index(port)]), this);
        row.path->setPlaceholderText(QStringLiteral("/dev/ttyS%1").arg(port - 1));
        row.path->setAccessibleName(com + QLatin1Char(' ') + deviceText(t::kColumnDevice));
        row.path->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
        // Alt with the port's digit reaches its path.
        auto* label = new QLabel(QStringLiteral("Com&%1").arg(port), this);
        label->setBuddy(row.path);
        row.pick = new QComboBox(this);
        row.pick->setAccessibleName(com + QLatin1Char(' ') + deviceText(t::kColumnDetected));
        // On Linux a combo box reads out its current entry as its name; the
        // description says which port it belongs to.
        row.pick->setAccessibleDescription(com + QLatin1Char(' ') + deviceText(t::kColumnDetected));
        row.pick->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        row.pick->setMinimumContentsLength(24);
        row.opens = new QLabel(this);
        row.opens->setTextFormat(Qt::PlainText);
        row.opens->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // The name is what a screen reader says for the label, and would hide its
        // text: it carries the port and the device, the description the column.
        row.opens->setAccessibleDescription(com + QLatin1Char(' ') + deviceText(t::kColumnOpens));
        grid->addWidget(label, port, 0);
        grid->addWidget(row.path, port, 1);
        grid->addWidget(row.pick, port, 2);
        grid->addWidget(row.opens, port, 3);

        connect(row.path, &QLineEdit::textChanged, this, [this, port] {
            showOpens(port);
            matchPick(port);
        });
        connect(row.pick, &QComboBox::activated, this, [this, port](int item) {
            const QString choice = pickBox(port)->itemData(item).toString();
            if (!choice.isEmpty()) pathEdit(port)->setText(choice);
        });
    }
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);

    detectButton_ = new QPushButton(deviceText(t::kDetectAgain), this);
    connect(detectButton_, &QPushButton::clicked, this, [this] { setDetected(detect(roots_)); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->addButton(detectButton_, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    setDetected(detect(roots_));
}

void PortDevicesDialog::setDetected(const std::vector<DetectedDevice>& devices) {
    detected_ = devices;
    for (int port = 1; port <= norvik::kComPortCount; ++port) {
        QComboBox* pick = pickBox(port);
        pick->clear();
        pick->addItem(deviceText(devices.empty() ? t::kNoneDetected : t::kPickPrompt), QString());
        for (const DetectedDevice& device : devices) {
            pick->addItem(detectedText(device), device.choice());
            QString tip = detectedText(device);
            if (!device.stableName.isEmpty()) tip += QLatin1Char('\n') + device.stableName;
            pick->setItemData(pick->count() - 1, tip, Qt::ToolTipRole);
        }
        pick->setEnabled(!devices.empty());
        showOpens(port);
        matchPick(port);
    }
}

norvik::SavedPortDevices PortDevicesDialog::choices() const {
    norvik::SavedPortDevices devices;
    for (int port = 1; port <= norvik::kComPortCount; ++port)
        devices[index(port)] = pathEdit(port)->text().trimmed().toStdString();
    return devices;
}

void PortDevicesDialog::accept() {
    savePortDevices(choices());
    QDialog::accept();
}

void PortDevicesDialog::showOpens(int port) {
    const QString text = opensText(static_cast<uint8_t>(port), choices());
    opensLabel(port)->setText(text);
    opensLabel(port)->setToolTip(text);
    opensLabel(port)->setAccessibleName(deviceText(t::kOpens).arg(comName(port), text));
}

void PortDevicesDialog::matchPick(int port) {
    // The pick list shows the detected device the path names, by either of its names.
    const QString path = pathEdit(port)->text().trimmed();
    int match = 0;
    for (std::size_t i = 0; i < detected_.size(); ++i) {
        const DetectedDevice& device = detected_[i];
        if (!path.isEmpty() && (path == device.path || path == device.stableName)) match = static_cast<int>(i) + 1;
    }
    pickBox(port)->setCurrentIndex(match);
}
