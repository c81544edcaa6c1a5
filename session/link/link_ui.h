#pragma once
// What the console dialogue asks of the main window. The dialogue reports
// states and outcomes; the window picks the words. The window's link
// implements it on the link's thread with timers and signals to the window;
// tests implement it with a recorder and drive the ticks themselves.

#include <cstdint>

namespace norvik {

// The link part of the status line.
enum class LinkStatus : uint8_t {
    PortClosed,
    PortOpen,  // open, the module has not answered
    Connected,
    Lost,          // the module stopped answering or said it disconnects
    TimerFailure,  // no poll timer could be had
    OpenError,     // with the port's code
    CloseError,    // with the port's code
    PortLost,      // the device went away under the open port, with its code
};

// The operation part of the status line.
enum class Operation : uint8_t {
    None,
    ReceiveParameter,
    ParameterFinish,
    SystemModuleAddressError,
    SystemModuleMissing,
    ParameterIncomplete,
    SendSafeValue,
    SafeValueSent,
    SaveSafeValueError,
    SendSafeValueError,
    ReceiveSafeValue,
    ReceiveSafeValueError,
    SafeValueReceived,
    ReadSafeValueError,
    SendIpSetting,
    IpSettingSent,
    SaveIpSettingError,
    SendIpSettingError,
    ReceiveIpSetting,
    ReceiveIpSettingError,
    IpSettingReceived,
    ReadIpSettingError,
    ReceiveFileName,
    FileNameFinish,
    FileNameError,
};

// The modal boxes the dialogue raises.
enum class LinkNotice : uint8_t {
    OpenError,    // the port could not be opened
    AccessError,  // the module does not answer after Connect
};

// Timers: poll every 1000 ms, animation every 100 ms. They stay calls, as
// the rules need the answer of startPollTimer, and a timer is no part of the
// view. startPollTimer returns false when no timer could be had.
class LinkTimers {
public:
    virtual ~LinkTimers() = default;
    virtual bool startPollTimer() = 0;
    virtual void stopPollTimer() = 0;
    virtual void startAnimationTimer() = 0;
    virtual void stopAnimationTimer() = 0;
};

// The exchange rules tell a LinkView (link_view.h); LinkUiAdapter turns its
// changes into these calls.
class LinkUi : public LinkTimers {
public:
    // Status line: part 0, part 1 and the progress bar (0..9). `code` goes
    // with the statuses that carry one.
    virtual void setLinkStatus(LinkStatus status, uint32_t code = 0) = 0;
    virtual void setOperation(Operation operation) = 0;
    virtual void setProgress(int step) = 0;

    virtual void setPortLamp(bool green) = 0;
    virtual void setModuleLamp(bool green) = 0;

    // Menu: Connect / Disconnect, and the three "IP setting" items.
    virtual void setConnectionMenu(bool connectEnabled, bool disconnectEnabled) = 0;
    virtual void setIpSettingMenu(bool enabled) = 0;
    virtual void setPortBoxesEnabled(bool enabled) = 0;

    // Module tree and parameter list.
    virtual void rebuildTree() = 0;
    virtual void clearTree() = 0;
    virtual void resetList() = 0;

    // A box with an OK button. The window's link returns at once: the
    // dialogue goes on while the box is shown.
    virtual void showNotice(LinkNotice notice) = 0;
};

}  // namespace norvik
