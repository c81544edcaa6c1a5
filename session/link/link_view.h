#pragma once
// What the window shows of the link, as a value the exchange rules keep, and
// each change to it as an event in the order it happened. The rules never
// call the window: whoever shows the link listens through a LinkViewSink and
// picks the words (LinkUiAdapter turns the changes into LinkUi calls).

#include <cstdint>

#include "link/link_ui.h"

namespace norvik {

struct LinkView {
    LinkStatus status = LinkStatus::PortClosed;
    uint32_t statusCode = 0;  // with the statuses that carry one
    Operation operation = Operation::None;
    uint8_t progress = 0;  // the progress bar, 0..9
    bool portLamp = false;
    bool moduleLamp = false;
    bool connectEnabled = true;
    bool disconnectEnabled = false;
    bool ipSettingMenu = false;
    bool portBoxesEnabled = true;
    LinkNotice notice = LinkNotice::OpenError;  // the box raised last
};

// Status to PortBoxes: that part of the view was set, to the same value too,
// as the status line shows a repeated outcome anew. The rest hold no state of
// the view: the tree is rebuilt from or cleared with the configuration, the
// parameter list reset, a box raised (LinkView::notice says which).
enum class LinkChange : uint8_t {
    Status,
    Operation,
    Progress,
    PortLamp,
    ModuleLamp,
    ConnectionMenu,
    IpSettingMenu,
    PortBoxes,
    TreeRebuilt,
    TreeCleared,
    ListReset,
    Notice,
};

class LinkViewSink {
public:
    virtual ~LinkViewSink() = default;
    // `view` as it stands after `change`.
    virtual void changed(const LinkView& view, LinkChange change) = 0;
};

// Hears nothing: for a run of the rules that nobody watches.
class NullLinkViewSink final : public LinkViewSink {
public:
    void changed(const LinkView&, LinkChange) override {}
};

// The view as the rules keep it: each change sets the value, then tells the sink.
class LinkViewState {
public:
    explicit LinkViewState(LinkViewSink& sink) : sink_(sink) {}

    const LinkView& view() const { return view_; }

    void setStatus(LinkStatus status, uint32_t code = 0) {
        view_.status = status;
        view_.statusCode = code;
        tell(LinkChange::Status);
    }
    void setOperation(Operation operation) {
        view_.operation = operation;
        tell(LinkChange::Operation);
    }
    void setProgress(uint8_t step) {
        view_.progress = step;
        tell(LinkChange::Progress);
    }
    void setPortLamp(bool green) {
        view_.portLamp = green;
        tell(LinkChange::PortLamp);
    }
    void setModuleLamp(bool green) {
        view_.moduleLamp = green;
        tell(LinkChange::ModuleLamp);
    }
    void setConnectionMenu(bool connectEnabled, bool disconnectEnabled) {
        view_.connectEnabled = connectEnabled;
        view_.disconnectEnabled = disconnectEnabled;
        tell(LinkChange::ConnectionMenu);
    }
    void setIpSettingMenu(bool enabled) {
        view_.ipSettingMenu = enabled;
        tell(LinkChange::IpSettingMenu);
    }
    void setPortBoxesEnabled(bool enabled) {
        view_.portBoxesEnabled = enabled;
        tell(LinkChange::PortBoxes);
    }
    void raise(LinkNotice notice) {
        view_.notice = notice;
        tell(LinkChange::Notice);
    }
    void tell(LinkChange change) { sink_.changed(view_, change); }

private:
    LinkView view_;
    LinkViewSink& sink_;
};

}  // namespace norvik
