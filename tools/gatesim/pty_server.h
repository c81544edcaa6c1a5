#pragma once
// The pseudo-terminal the simulated gateway sits behind, and the loop serving it.

#include <csignal>
#include <string>

#include "gateway.h"
#include "wire_log.h"

namespace gatesim {

class PseudoTerminal {
public:
    // Throws std::runtime_error when no pseudo-terminal can be had.
    PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal();

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

private:
    int master_ = -1;
    // Held open for the whole run: when Norvik closes its port the master would
    // otherwise see a hang-up and every read would fail until it reopens.
    int slave_ = -1;
    std::string slavePath_;
};

// Serves the master side until `stop` becomes non-zero. `stop` is set from a
// signal handler; the signals that set it must be blocked by the caller, they
// are let through only while the loop waits.
void serve(Gateway& gateway, int masterFd, WireLog& log, const volatile std::sig_atomic_t& stop);

}  // namespace gatesim
