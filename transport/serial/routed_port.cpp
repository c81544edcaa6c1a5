#include "serial/routed_port.h"

#include <cerrno>

namespace norvik {

uint16_t RoutedSerialPort::openPort(const PortSettings& settings) {
    if (opened_) return EBUSY;
    const std::string device = settings.device.empty() ? comDevicePath(settings.port) : settings.device;
    networkActive_ = isNetworkDevice(device);
    const uint16_t code = active().openPort(settings);
    opened_ = code == 0;
    return code;
}

uint32_t RoutedSerialPort::closePort(uint8_t port) {
    const uint32_t code = active().closePort(port);
    // Only a port number that was not open leaves the port as it was.
    if (code != EBADF) opened_ = false;
    return code;
}

}  // namespace norvik
