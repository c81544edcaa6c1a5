#pragma once
// Shows the link's view through a LinkUi: each change becomes the one call
// the window, the command-line tool and the tests' recorder already answer.

#include "link/link_ui.h"
#include "link/link_view.h"

namespace norvik {

class LinkUiAdapter final : public LinkViewSink {
public:
    explicit LinkUiAdapter(LinkUi& ui) : ui_(ui) {}
    void changed(const LinkView& view, LinkChange change) override;

private:
    LinkUi& ui_;
};

}  // namespace norvik
