#pragma once
// The rules of the "IP Setting" dialog that need no window: how its fields are
// read into the record and shown from it, the range of the time edits, the
// ways the dialog opens, "Save to File", "Save to Device" and the transfer
// timer. The dialog implements IpSettingView and forwards its events here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "editors/transfer_job.h"
#include "ipsetting/ip_setting.h"
#include "link/gateway_jobs.h"
#include "link/link_session.h"
#include "link/user_prompts.h"
#include "model/gateway_config.h"

namespace norvik {

// The IP-setting file as the file dialogs offer it.
inline constexpr const char* kIpFileFilter = "Norvik File (*.ptm)";
inline constexpr const char* kIpFileProposedName = "IP_setting";
inline constexpr const char* kIpFileSuffix = "ptm";

// --- the dialog's fields --------------------------------------------------------

// The eleven IP-address fields, in the order they are read and shown: local IP,
// mask, gateway, then the remote rows 1 to 8.
inline constexpr std::size_t kIpFieldCount = 3 + kRemoteIpEntries;
inline constexpr std::size_t kLocalIpField = 0;
inline constexpr std::size_t kSubnetMaskField = 1;
inline constexpr std::size_t kGatewayField = 2;
constexpr std::size_t remoteIpField(std::size_t row) { return 3 + row; }

// The sixteen time edits: the time-outs of rows 1 to 8, then their reconnect times.
inline constexpr std::size_t kTimeEditCount = 2 * kRemoteIpEntries;
constexpr std::size_t timeoutEdit(std::size_t row) { return row; }
constexpr std::size_t reconnectEdit(std::size_t row) { return kRemoteIpEntries + row; }

// A time edit's text as a number: its leading decimal digits, 0 when there
// are none. However many digits follow, the value never wraps: anything above
// 4294967295 reads as 4294967295.
uint32_t timeEditValue(std::string_view text);

// Ticks of the transfer timer a send may wait for its result before it is
// given up as a receive error.
inline constexpr uint8_t kIpSendWaitTicks = 10;

// The text that replaces an edit's out-of-range value ("1" below 1, "65535"
// above 65535), or nullptr when the value is in range.
const char* timeEditReplacement(uint32_t value);

// --- the editor -----------------------------------------------------------------

// What the editor asks of the dialog's window.
class IpSettingView {
public:
    virtual ~IpSettingView() = default;

    // A field's four octets; a blank octet reads as 0.
    virtual Ipv4 address(std::size_t field) const = 0;
    virtual void showAddress(std::size_t field, const Ipv4& address) = 0;
    virtual std::string timeText(std::size_t edit) const = 0;
    // Setting an edit's text is a change of that edit: the view passes it on
    // to IpSettingEditor::onTimeTextChanged, as it does the user's typing.
    virtual void showTimeText(std::size_t edit, const std::string& text) = 0;
    virtual void setSaveToDeviceEnabled(bool enabled) = 0;
    // The transfer timer, one tick a second; start returns false when no
    // timer could be had.
    virtual bool startTransferTimer() = 0;
    virtual void stopTransferTimer() = 0;
    // A box with an OK button; returns when it is closed.
    virtual void tell(EditorMessage message) = 0;
};

class IpSettingEditor {
public:
    // `record` is what the fields are read into and shown from; transfers
    // are asked of `jobs`.
    IpSettingEditor(DialogMode mode, const LinkSession& session, const GatewayConfig& config, GatewayJobs& jobs,
                    IpSettingRecord& record, UserPrompts& prompts, IpSettingView& view);

    // The dialog opens in its mode: defaults, a file, or a load from the gateway.
    void open();
    void saveToFile();
    void saveToDevice();
    void onTimeTextChanged(std::size_t edit);
    void onTransferTick();

    // The fields into `into`, checking the local and remote addresses in their
    // order. What was read before a refused address stays in `into`.
    bool readIpControls(IpSettingRecord& into);
    void showIpSetting();

    // Ticks counted against the sends of this opening.
    uint8_t sendWaitTicks() const { return sendWaitTicks_; }
    // A request of this opening waits for its result.
    bool transferPending() const { return job_.waiting(); }

private:
    void finish(EditorMessage message);
    void loadFromFile();

    DialogMode mode_;
    const LinkSession& session_;
    const GatewayConfig& config_;
    IpSettingRecord& record_;
    UserPrompts& prompts_;
    IpSettingView& view_;
    DialogJob job_;
    bool sending_ = false;
    // Counted on from the last send of this opening, not from zero.
    uint8_t sendWaitTicks_ = 0;
};

}  // namespace norvik
