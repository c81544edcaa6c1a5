#include "serial/serial_port.h"

namespace norvik {

uint16_t blockTimeout(uint32_t baud, uint32_t n) {
    if (baud == 0) baud = 1;  // never divide by zero, whatever reached us
    const uint32_t q = 10000u / baud;
    return static_cast<uint16_t>((q + 1u) * n);
}

}  // namespace norvik
