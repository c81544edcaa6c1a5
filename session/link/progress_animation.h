#pragma once
// The progress bar while a block is on the wire: its timer steps the bar round
// until the exchange ends; the tick after that sets it back and stops the timer.

#include <cstdint>

#include "link/link_ui.h"
#include "link/link_view.h"

namespace norvik {

class ProgressAnimation {
public:
    ProgressAnimation(LinkViewState& view, LinkTimers& timers) : view_(view), timers_(timers) {}

    void start() {
        timers_.startAnimationTimer();
        running_ = true;
    }
    void stop() { running_ = false; }
    bool running() const { return running_; }

    void onTimer() {
        if (running_) {
            step_ = static_cast<uint8_t>(step_ + 1);
            if (step_ > 9) step_ = 0;
            view_.setProgress(step_);
        } else {
            step_ = 0;
            view_.setProgress(0);
            timers_.stopAnimationTimer();
        }
    }

    // The port has closed: the timer stops at once and the bar goes back.
    void reset() {
        timers_.stopAnimationTimer();
        step_ = 0;
        view_.setProgress(0);
    }

private:
    LinkViewState& view_;
    LinkTimers& timers_;
    bool running_ = false;
    uint8_t step_ = 0;
};

}  // namespace norvik
