#pragma once
// One gateway reached from a thread of its own, for tools that have no window
// and no event loop of their own (the command line). Every call blocks the
// calling thread until it is over; interrupt() is the one call made from
// elsewhere:
//
//   open ──▶ Ready ──run(job)…──▶ close
//     └──▶ PortError / NoAnswer / Interrupted (the port is closed again)
//
// A link is used by one thread at a time; several links run side by side,
// each on its own thread.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "firmware/file_names.h"
#include "link/gateway_jobs.h"
#include "model/gateway_config.h"
#include "safevalue/safe_value_layout.h"
#include "serial/serial_port.h"

namespace norvik {

enum class LinkOpenOutcome : uint8_t {
    Ready,        // the gateway answered and its parameter block came
    PortError,    // the port did not open: see LinkOpening::openError
    NoAnswer,     // the port opened, but no gateway answered in time
    Incomplete,   // the gateway answered, but its parameter block did not come whole
    Interrupted,  // interrupt() ended the wait
};

// What the gateway told about itself while the link came up, as the window
// learns it after Connect: its parameter block and then its file names.
struct LinkOpening {
    LinkOpenOutcome outcome = LinkOpenOutcome::NoAnswer;
    uint16_t openError = 0;  // the errno of a failed open
    GatewayConfig config{};
    std::vector<uint8_t> parameterBlock;  // as it came over the wire
    // False when the gateway did not answer the file-name query (older
    // firmware): the names are then empty and the layout the default one.
    bool fileNamesRead = false;
    // The gateway began its reply but it did not come whole: neither the
    // names nor the safe-value layout are known, and the firmware is not one
    // that lacks the query either.
    bool fileNamesIncomplete = false;
    FileNameList fileNames{};
    uint8_t fileCount = 0;
    std::vector<uint8_t> fileNameReply;  // as it came over the wire
    SafeValueLayout safeValueLayout = SafeValueLayout::Block512;

    bool ready() const { return outcome == LinkOpenOutcome::Ready; }
};

class GatewayLink {
public:
    virtual ~GatewayLink() = default;

    // Opens the port and waits until the gateway has answered and sent its
    // parameter block and file names, or until it is plain that it will not.
    // `progress` tells how far those two blocks have come.
    virtual LinkOpening open(const PortSettings& settings, const JobProgressHook& progress = {}) = 0;
    // Runs one job to its end. `progress`, when given, is called on this
    // thread while the job's block is on the wire.
    virtual JobResult run(Job job, const JobProgressHook& progress = {}) = 0;
    // Closes the port; nothing when it is not open.
    virtual void close() = 0;
    // From any thread, also while open() or run() waits: ends the wait at once
    // (Interrupted, Cancelled) and makes every later open() or run() end so too.
    virtual void interrupt() = 0;
    virtual bool interrupted() const = 0;

    // The link's jobs, for work that chains them itself (a backup, a restore).
    // Their outcomes are delivered on this thread while runUntil() runs.
    virtual GatewayJobs& jobs() = 0;
    // Runs the link (its poll ticks and the outcomes delivered) until `done`
    // holds: true then, false when interrupt() came first or `ticks` poll
    // ticks went by.
    virtual bool runUntil(const std::function<bool()>& done, int ticks) = 0;
};

}  // namespace norvik
