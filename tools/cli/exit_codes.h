#pragma once
// The command's exit codes. Scripts branch on them, so a code never changes
// its meaning; with several devices the command exits with the highest code
// any of them gave.

#include <cstdint>

namespace norvik::cli {

enum class ExitCode : uint8_t {
    Done = 0,  // for diff: no difference
    Usage = 1,
    PortError = 2,      // the port could not be opened
    NoAnswer = 3,       // no gateway answer, or the link was lost
    GatewayError = 4,   // the gateway reported an error, a block was incomplete, the model does not allow it
    Differs = 5,        // the read-back differs; for diff: differences found
    FileError = 6,      // a file could not be read or written
    Interrupted = 130,  // SIGINT (Ctrl-C)
    Terminated = 143,   // SIGTERM
};

inline int exitStatus(ExitCode code) { return static_cast<int>(code); }

inline ExitCode worse(ExitCode a, ExitCode b) { return exitStatus(a) >= exitStatus(b) ? a : b; }

// What --help and the man page say about the codes.
inline constexpr const char* kExitCodeHelp =
    "Exit codes (with several devices, the highest of them):\n"
    "  0    done; for diff: no difference\n"
    "  1    usage: an unknown option, a missing argument\n"
    "  2    the port could not be opened\n"
    "  3    no gateway answer, or the link was lost\n"
    "  4    the gateway reported an error, a block was incomplete, or the\n"
    "       gateway's model does not allow the command\n"
    "  5    the read-back differs from what was sent; for diff: differences found\n"
    "  6    a file could not be read or written\n"
    "  130  interrupted by SIGINT (Ctrl-C)\n"
    "  143  ended by SIGTERM";

}  // namespace norvik::cli
