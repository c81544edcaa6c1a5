#include "link/command_output.h"

#include <string_view>

#include "serial/console_lines.h"

namespace norvik {

namespace c = console;

void CommandOutput::send(const char* command) {
    port_.sendLine(session_.portNumber, command);
    sentThisRound_ = true;
    if (std::string_view(command) == c::kPrompt) promptOutstanding_ = true;
}

void CommandOutput::prompt() {
    if (promptThisRound_) return;
    promptThisRound_ = true;
    // Asked for while the round reads: it goes out once the lines that had
    // come are read, so that none of them is its answer.
    if (readingLines_) {
        promptOwed_ = true;
        return;
    }
    send(c::kPrompt);
}

void CommandOutput::beginRound() {
    sentThisRound_ = false;
    promptThisRound_ = false;
    promptOwed_ = false;
    readingLines_ = true;
}

void CommandOutput::sendOwedPrompt() {
    if (promptOwed_ && session_.portOpen) send(c::kPrompt);
    promptOwed_ = false;
}

}  // namespace norvik
