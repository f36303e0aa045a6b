#include "appkit/DeferredPresenter.h"

#include <algorithm>

namespace appkit {

using foundation::Ref;

DeferredPresenter::DeferredPresenter(Opener open, Fallback fallBack)
    : open_(std::move(open))
    , fallBack_(std::move(fallBack))
{
}

DeferredPresenter::~DeferredPresenter() = default;

void DeferredPresenter::windowDidOrderFront(Window& window)
{
    ordered_.orderedFront(window);
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
    std::vector<Ref<Window>> windows = ordered_.takeAll();
    if (std::none_of(windows.begin(), windows.end(), [](const Ref<Window>& window) { return window->isVisible(); }))
        return;

    std::string why;
    presenter_ = open_(why);
    if (!presenter_ && fallBack_)
        presenter_ = fallBack_(why);
    if (!presenter_)
        return;
    installed_.handOver(*presenter_);
    for (const auto& window : windows)
        presenter_->windowDidOrderFront(*window);
}

} // namespace appkit
