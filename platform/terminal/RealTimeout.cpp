#include "terminal/RealTimeout.h"

#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

namespace terminal {

RealTimeout::RealTimeout(std::function<void()> expired)
    : expired_(std::move(expired))
    , timerFd_(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK))
{
    if (timerFd_ >= 0)
        watch_ = foundation::RunLoop::main().watchReadable(timerFd_, [this] { fired(); });
}

RealTimeout::~RealTimeout()
{
    if (timerFd_ < 0)
        return;
    foundation::RunLoop::main().unwatch(watch_);
    ::close(timerFd_);
}

void RealTimeout::start(std::chrono::milliseconds delay)
{
    if (timerFd_ < 0) {
        // No timer to be had: nothing can wait.
        expired_();
        return;
    }
    auto milliseconds = std::max<std::int64_t>(delay.count(), 1);
    itimerspec expiry{};
    expiry.it_value = {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000};
    ::timerfd_settime(timerFd_, 0, &expiry, nullptr);
    armed_ = true;
}

void RealTimeout::cancel()
{
    if (!armed_ || timerFd_ < 0)
        return;
    itimerspec disarmed{};
    ::timerfd_settime(timerFd_, 0, &disarmed, nullptr);
    armed_ = false;
}

void RealTimeout::fired()
{
    std::uint64_t expirations = 0;
    if (::read(timerFd_, &expirations, sizeof expirations) != sizeof expirations || !armed_)
        return;
    armed_ = false;
    expired_();
}

} // namespace terminal
