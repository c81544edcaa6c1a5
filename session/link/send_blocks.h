#pragma once
// The blocks the send exchanges hand the gateway: the running job's block,
// taken as its command goes out, sent when the gateway asks for it (unless it
// does not fit the gateway's layout), and the gateway's verdicts on it.

#include <cstdint>
#include <string_view>
#include <vector>

#include "ipsetting/ip_setting.h"
#include "link/exchange.h"
#include "link/gateway_jobs.h"
#include "link/link_session.h"
#include "link/link_ui.h"
#include "link/link_view.h"
#include "serial/serial_port.h"

namespace norvik {

class SendBlocks {
public:
    // A line that ends a send exchange: what it shows, and how the job ends.
    struct Verdict {
        std::string_view reply;
        Operation text;
        Exchange send;
        JobOutcome outcome;
        GatewayError error;
    };

    SendBlocks(const LinkSession& session, SerialPort& port, LinkViewState& view)
        : session_(session), port_(port), view_(view) {}

    // The block `job` sends, when `send` is the exchange it opens.
    void take(Exchange send, const Job& job);
    void forget() { safeValues_.clear(); }

    // The gateway has asked for the block of `send`: it goes out. False, with
    // the error shown and nothing sent, when it does not fit the gateway's layout.
    bool send(Exchange send);
    // Whether the gateway's request for the block of `send` is among the next
    // lines: read, at most a few of them, on Disconnect.
    bool askedAmongNextLines(Exchange send);
    // Waits until the block of `send` and "transmit_end" have gone out.
    void drain(Exchange send);

    // The verdict `line` is, if it is one.
    static const Verdict* verdictOf(std::string_view line);

private:
    const LinkSession& session_;
    SerialPort& port_;
    LinkViewState& view_;
    std::vector<uint8_t> safeValues_;
    IpSettingRecord ipSetting_{};
};

}  // namespace norvik
