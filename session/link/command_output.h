#pragma once
// What the dialogue says to the gateway, and when. A round reads the lines
// that have come and acts on them (a tick, or a line's arrival when the
// dialogue goes as answered): one command at most goes out in it, and one
// prompt, which waits until the round's lines are read so that none of them is
// taken for its answer.

#include "link/link_session.h"
#include "serial/serial_port.h"

namespace norvik {

class CommandOutput {
public:
    CommandOutput(const LinkSession& session, SerialPort& port) : session_(session), port_(port) {}

    void send(const char* command);
    // One prompt a round: its answer serves whatever else asked for one.
    void prompt();

    // A round begins reading what has come: nothing has gone out in it yet.
    void beginRound();
    void endReading() { readingLines_ = false; }
    // The prompt asked for while the round read, if the port is still open.
    void sendOwedPrompt();
    // Something went out this round; a prompt was asked for in it.
    bool sent() const { return sentThisRound_; }
    bool prompted() const { return promptThisRound_; }
    // A new link: its first prompt goes out whatever went before.
    void allowPrompt() { promptThisRound_ = false; }

    // A prompt went out and no "connect" (or notice) has come since.
    bool promptOutstanding() const { return promptOutstanding_; }
    void promptAnswered() { promptOutstanding_ = false; }

private:
    const LinkSession& session_;
    SerialPort& port_;
    bool sentThisRound_ = false;
    bool promptThisRound_ = false;  // reset with sentThisRound_ and by allowPrompt()
    bool readingLines_ = false;     // a round is reading what has come
    bool promptOwed_ = false;       // asked for meanwhile, sent once the reading ends
    bool promptOutstanding_ = false;
};

}  // namespace norvik
