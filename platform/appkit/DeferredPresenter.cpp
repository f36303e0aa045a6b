#include "appkit/DeferredPresenter.h"

#include <algorithm>

namespace appkit {

using foundation::Ref;

DeferredPresenter::DeferredPresenter(Opener open, Fallback fallBack)
    : open_(std::move(open))
    , fallBack_(std::move(fallBack))
{
    Window::setDisplay(this);
}

DeferredPresenter::~DeferredPresenter()
{
    // The presenter this one made goes with it, so neither may stay the
    // windows' display.
    if (Window::display() == this || (presenter_ && Window::display() == presenter_.get()))
        Window::setDisplay(nullptr);
}

void DeferredPresenter::windowDidOrderFront(Window& window)
{
    std::erase_if(ordered_, [&window](const foundation::WeakRef<Window>& entry) {
        Ref<Window> ordered = entry.get();
        return !ordered || ordered.get() == &window;
    });
    ordered_.emplace_back(&window);
    schedule_.request();
}

// Nothing is drawn yet: the real presenter reads each window whole when it
// first hears of it.
void DeferredPresenter::windowNeedsDisplay(Window&)
{
}

void DeferredPresenter::openForVisibleWindows()
{
    schedule_.displayed();
    std::vector<Ref<Window>> windows;
    for (const auto& entry : ordered_) {
        if (Ref<Window> window = entry.get())
            windows.push_back(std::move(window));
    }
    ordered_.clear();
    if (std::none_of(windows.begin(), windows.end(), [](const Ref<Window>& window) { return window->isVisible(); }))
        return;

    std::string why;
    presenter_ = open_(why);
    if (!presenter_ && fallBack_)
        presenter_ = fallBack_(why);
    if (!presenter_)
        return;
    Window::setDisplay(presenter_.get());
    for (const auto& window : windows)
        presenter_->windowDidOrderFront(*window);
}

} // namespace appkit
