#pragma once
// "Port devices": the device each of "Com1".."Com8" opens. The user picks one
// of the serial devices Qt detects or types a path; the choice is kept between
// runs and counts from the next Connect.

#include <QDialog>
#include <QString>
#include <array>
#include <vector>

#include "serial/port_devices.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The choices as saved between runs (QSettings, "norvik/norvik.ini" in the
// user's configuration folder).
norvik::SavedPortDevices loadPortDevices();
void savePortDevices(const norvik::SavedPortDevices& devices);

// "Com2 opens /dev/ttyUSB0", with where a link leads, whether the device is
// absent and which variable set it; for tooltips.
QString portDeviceSummary(uint8_t port, const norvik::SavedPortDevices& saved);

// A serial device the system reports.
struct DetectedDevice {
    QString path;         // /dev/ttyUSB0
    QString stableName;   // its /dev/serial/by-id link, or empty
    QString description;  // "FT232R USB UART"
    QString maker;
    QString serialNumber;

    // The path a choice of it is kept as.
    QString choice() const { return stableName.isEmpty() ? path : stableName; }
};

class PortDevicesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PortDevicesDialog(QWidget* parent = nullptr, norvik::DeviceRoots roots = {});

    // The serial devices Qt's serial port module finds now.
    static std::vector<DetectedDevice> detect(const norvik::DeviceRoots& roots = {});
    // Fills the pick lists; the dialog does this itself on opening and on "Detect again".
    void setDetected(const std::vector<DetectedDevice>& devices);

    // The choices as the dialog shows them now.
    norvik::SavedPortDevices choices() const;

    // Saves the choices and closes.
    void accept() override;

    QLineEdit* pathEdit(int port) const { return rows_.at(index(port)).path; }
    QComboBox* pickBox(int port) const { return rows_.at(index(port)).pick; }
    QLabel* opensLabel(int port) const { return rows_.at(index(port)).opens; }
    QPushButton* detectButton() const { return detectButton_; }

private:
    struct Row {
        QLineEdit* path = nullptr;
        QComboBox* pick = nullptr;
        QLabel* opens = nullptr;
    };
    static std::size_t index(int port) { return static_cast<std::size_t>(port - 1); }
    void showOpens(int port);
    void matchPick(int port);

    norvik::DeviceRoots roots_;
    std::array<Row, norvik::kComPortCount> rows_{};
    std::vector<DetectedDevice> detected_;
    QPushButton* detectButton_ = nullptr;
};
