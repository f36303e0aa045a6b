#pragma once

#include "appkit/DisplaySchedule.h"
#include "appkit/FrontWindows.h"
#include "appkit/InstalledDisplay.h"
#include "appkit/Window.h"
#include "appkit/WindowDisplay.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace appkit {

// Stands in for a presenter that is costly to hold (a desktop toolkit, its
// threads and its display connection) until a window must really be shown,
// so that a program that waits for days with its windows hidden carries
// none of it.
//
// Order: installed as the windows' display on construction. Until a window
// comes to the front it does nothing. On the run loop turn after a window
// came to the front, if that window is still visible (a window shown and
// hidden again within one turn never reaches the screen), `open` makes the
// real presenter, which becomes the windows' display for the rest of the
// run and hears windowDidOrderFront for every window that came to the front
// meanwhile, in their order. Hiding a window later keeps the real presenter.
//
// Failure: when `open` answers null (the display went away since start),
// `fallBack` is given its reason and makes the presenter that shows the
// windows instead; the program keeps running. A null fallback leaves the
// windows unshown.
//
// Threads: main thread only, like the windows.
class DeferredPresenter final : public WindowDisplay {
public:
    using Opener = std::function<std::unique_ptr<WindowDisplay>(std::string& error)>;
    using Fallback = std::function<std::unique_ptr<WindowDisplay>(const std::string& reason)>;

    DeferredPresenter(Opener open, Fallback fallBack);
    ~DeferredPresenter() override;

    DeferredPresenter(const DeferredPresenter&) = delete;
    DeferredPresenter& operator=(const DeferredPresenter&) = delete;

    void windowDidOrderFront(Window& window) override;
    void windowNeedsDisplay(Window& window) override;

    // The real presenter (or the fallback's) once made; null until then.
    WindowDisplay* presenter() const noexcept { return presenter_.get(); }

private:
    void openForVisibleWindows();

    Opener open_;
    Fallback fallBack_;
    FrontWindows ordered_;
    std::unique_ptr<WindowDisplay> presenter_;
    DisplaySchedule schedule_{[this] { openForVisibleWindows(); }};
    // Last: neither this one nor the presenter it made stays the windows'
    // display once they go.
    InstalledDisplay installed_{*this};
};

} // namespace appkit
