#pragma once
// What the two settings dialogs share: the way the menu opened them, the
// messages they show (named here, worded by the window), and the one gateway
// job each has under way, whose end waits for the dialog's next timer tick.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "link/gateway_jobs.h"
#include "link/link_session.h"

namespace norvik {

// The menu entry that opened a settings dialog.
enum class DialogMode : uint8_t { NewSetting, LoadFromFile, LoadFromDevice };

// Everything a settings dialog tells the user in a box. The window picks the
// words; the safe-value and IP-setting dialogs word the transfer results each
// for their own block.
enum class EditorMessage : uint8_t {
    // The link is not ready for a transfer.
    Loading,
    NotConnected,
    NoParameter,
    OnlyHx3420,
    // Files.
    FileOpenError,
    FileCreateError,
    TimerFailure,
    // How a transfer ended, at the dialog's tick.
    SendFinished,
    SendError,
    SaveError,
    ReceiveFinished,
    ReceiveError,
    ReadError,
    TransferBroken,
    // Safe values.
    WordLength,
    WordDigits,
    ValuesUnset,
    // IP setting.
    LocalIpIllegal,
    RemoteIp1Illegal,  // ... to RemoteIp8Illegal, in row order
    RemoteIp8Illegal = RemoteIp1Illegal + 7,
    TimeOutOfRange,
};

constexpr EditorMessage remoteIpIllegal(std::size_t row) {
    return static_cast<EditorMessage>(static_cast<std::size_t>(EditorMessage::RemoteIp1Illegal) + row);
}

// The IP dialog's message for an address it may not send.
constexpr EditorMessage illegalIpMessage(const IllegalIpAddress& illegal) {
    return illegal.remoteRow ? remoteIpIllegal(*illegal.remoteRow) : EditorMessage::LocalIpIllegal;
}

// Why a transfer may not start now (the link guards' rule), or nothing when
// it may: the link is up and its parameters are loaded.
std::optional<EditorMessage> transferRefusal(const LinkSession& session);

// The message that ends a dialog's transfer with this result. A gateway that
// refused a block it was sent reports a send error; one that could not store
// it, a save error; one that could not read its memory, a read error. A block
// that did not come, or a send left unanswered, is a receive error. A job the
// link took with it (or one cancelled) has broken off.
EditorMessage transferMessage(const JobResult& result);

// A job's end with no data: how a dialog ends a job it gave up on.
JobResult jobEnd(JobKind kind, JobOutcome outcome);

// The one job a settings dialog has asked for. Its end is held here until the
// dialog's timer takes it, so the dialog shows results only at its own tick.
// A dialog that goes away leaves its job to end unseen: the job keeps nothing
// of the dialog.
class DialogJob {
public:
    explicit DialogJob(GatewayJobs& jobs);
    ~DialogJob();
    DialogJob(const DialogJob&) = delete;
    DialogJob& operator=(const DialogJob&) = delete;

    void submit(Job job);
    // Asked for, and its end not yet taken.
    bool waiting() const;
    // The end, once it has come; the job is then over for the dialog.
    std::optional<JobResult> take();
    // The dialog stops waiting: the job is cancelled (a send the gateway is
    // already taking still finishes on the wire) and `instead` is held as its end.
    void giveUp(JobResult instead);

private:
    struct Inbox {
        uint64_t generation = 0;
        bool waiting = false;
        std::optional<JobResult> end;
    };

    GatewayJobs& jobs_;
    std::shared_ptr<Inbox> inbox_ = std::make_shared<Inbox>();
    std::optional<JobId> id_;
};

}  // namespace norvik
