#include "desktop/GLibEventSource.h"

#include <cmath>

namespace desktop {

GLibEventSource::GLibEventSource(foundation::RunLoop& loop)
    : loop_(loop)
    , context_(g_main_context_default())
{
    g_main_context_acquire(context_);
    loop_.setEventSource(this);
}

GLibEventSource::~GLibEventSource()
{
    loop_.setEventSource(nullptr);
    g_main_context_release(context_);
}

double GLibEventSource::prepare(std::vector<pollfd>& fds)
{
    bool ready = g_main_context_prepare(context_, &priority_);
    gint timeout = -1;
    polled_.resize(std::max<std::size_t>(polled_.size(), 8));
    for (;;) {
        gint count = g_main_context_query(context_, priority_, &timeout, polled_.data(), static_cast<gint>(polled_.size()));
        if (static_cast<std::size_t>(count) <= polled_.size()) {
            polled_.resize(static_cast<std::size_t>(count));
            break;
        }
        polled_.resize(static_cast<std::size_t>(count));
    }
    for (const GPollFD& polled : polled_)
        fds.push_back({polled.fd, static_cast<short>(polled.events), 0});
    if (ready)
        return 0;
    return timeout < 0 ? INFINITY : timeout / 1000.0;
}

void GLibEventSource::dispatch(const std::vector<pollfd>& fds)
{
    for (std::size_t index = 0; index < polled_.size() && index < fds.size(); ++index)
        polled_[index].revents = static_cast<gushort>(fds[index].revents);
    if (g_main_context_check(context_, priority_, polled_.data(), static_cast<gint>(polled_.size())))
        g_main_context_dispatch(context_);
}

} // namespace desktop
