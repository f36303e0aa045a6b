#pragma once

#include "foundation/runloop/RunLoop.h"

#include <functional>
#include <memory>
#include <utility>

namespace appkit {

// A presenter's redraw, run once when the main run loop next turns however
// many changes asked for it first, so that a window shown and hidden again
// within one turn never reaches the screen. Nothing runs once this object
// is gone. Main thread only.
class DisplaySchedule {
public:
    explicit DisplaySchedule(std::function<void()> display) : display_(std::move(display)) {}

    DisplaySchedule(const DisplaySchedule&) = delete;
    DisplaySchedule& operator=(const DisplaySchedule&) = delete;

    void request()
    {
        if (std::exchange(pending_, true))
            return;
        foundation::RunLoop::main().post([alive = std::weak_ptr<int>(alive_), this] {
            if (alive.lock() && pending_)
                display_();
        });
    }
    bool isPending() const noexcept { return pending_; }
    // The redraw has been made (early, or by the scheduled run).
    void displayed() noexcept { pending_ = false; }

private:
    std::function<void()> display_;
    bool pending_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace appkit
