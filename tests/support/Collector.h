#pragma once

#include "foundation/runloop/RunLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

#include <unistd.h>

// Collects what arrives on a descriptor while the main run loop runs.
class Collector {
public:
    explicit Collector(int fd)
        : fd_(fd), watch_(foundation::RunLoop::main().watchReadable(fd, [this] { receive(); }))
    {
    }
    ~Collector() { foundation::RunLoop::main().unwatch(watch_); }

    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;

    // Runs the main loop until the collected text holds `wanted`; answers
    // the text so far and starts afresh. The time limit only stops a
    // failing test from hanging.
    std::string waitFor(std::string_view wanted)
    {
        EXPECT_TRUE(foundation::RunLoop::main().runUntil([&] { return text_.find(wanted) != std::string::npos; }, 10))
            << "waiting for " << wanted << " in " << text_;
        return std::exchange(text_, {});
    }

private:
    void receive()
    {
        char buffer[4096];
        if (ssize_t count = ::read(fd_, buffer, sizeof buffer); count > 0)
            text_.append(buffer, static_cast<std::size_t>(count));
    }

    int fd_;
    foundation::RunLoop::WatchId watch_;
    std::string text_;
};
