#include "appkit/FrontWindows.h"

#include <algorithm>

namespace appkit {

using foundation::Ref;

void FrontWindows::orderedFront(Window& window)
{
    std::erase_if(order_, [&window](const foundation::WeakRef<Window>& entry) {
        Ref<Window> ordered = entry.get();
        return !ordered || ordered.get() == &window;
    });
    order_.emplace_back(&window);
}

Ref<Window> FrontWindows::frontVisible()
{
    while (!order_.empty()) {
        Ref<Window> window = order_.back().get();
        if (window && window->isVisible())
            return window;
        order_.pop_back();
    }
    return nullptr;
}

std::vector<Ref<Window>> FrontWindows::takeAll()
{
    std::vector<Ref<Window>> windows;
    for (const auto& entry : order_) {
        if (Ref<Window> window = entry.get())
            windows.push_back(std::move(window));
    }
    order_.clear();
    return windows;
}

} // namespace appkit
