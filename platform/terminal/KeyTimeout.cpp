#include "terminal/KeyTimeout.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/timerfd.h>
#include <unistd.h>

namespace terminal {

KeyTimeout::KeyTimeout(std::function<void()> expired)
    : expired_(std::move(expired))
    , timerFd_(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK))
{
    if (timerFd_ >= 0)
        watch_ = foundation::RunLoop::main().watchReadable(timerFd_, [this] { fired(); });
}

KeyTimeout::~KeyTimeout()
{
    if (timerFd_ < 0)
        return;
    foundation::RunLoop::main().unwatch(watch_);
    ::close(timerFd_);
}

void KeyTimeout::start(std::chrono::milliseconds delay)
{
    if (timerFd_ < 0) {
        // No timer to be had: the key cannot wait.
        expired_();
        return;
    }
    auto milliseconds = std::max<std::int64_t>(delay.count(), 1);
    itimerspec expiry{};
    expiry.it_value = {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000};
    ::timerfd_settime(timerFd_, 0, &expiry, nullptr);
    armed_ = true;
}

void KeyTimeout::cancel()
{
    if (!armed_ || timerFd_ < 0)
        return;
    itimerspec disarmed{};
    ::timerfd_settime(timerFd_, 0, &disarmed, nullptr);
    armed_ = false;
}

void KeyTimeout::fired()
{
    std::uint64_t expirations = 0;
    if (::read(timerFd_, &expirations, sizeof expirations) != sizeof expirations || !armed_)
        return;
    armed_ = false;
    expired_();
}

std::chrono::milliseconds escapeDelay()
{
    constexpr int cursesDefault = 1000;
    constexpr int longest = 10000;
    const char* setting = std::getenv("ESCDELAY");
    int milliseconds = cursesDefault;
    if (setting && *setting) {
        int value = 0;
        auto [end, error] = std::from_chars(setting, setting + std::strlen(setting), value);
        if (error == std::errc() && *end == '\0' && value >= 0)
            milliseconds = std::min(value, longest);
    }
    return std::chrono::milliseconds(milliseconds);
}

} // namespace terminal
