// Another loop's sources served inside the RunLoop's own wait: the source
// is woken by its own descriptor, asks for its timeout, and never stops
// posted work and timers from running first.
#include "foundation/runloop/RunLoop.h"
#include "foundation/runloop/Timer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

// A source with one pipe: readable means "work ready"; what it ran is recorded.
class PipeSource final : public foundation::RunLoopEventSource {
public:
    explicit PipeSource(std::vector<std::string>& heard) : heard_(heard) { EXPECT_EQ(::pipe(pipe_), 0); }
    ~PipeSource()
    {
        ::close(pipe_[0]);
        ::close(pipe_[1]);
    }
    void signal() { EXPECT_EQ(::write(pipe_[1], "x", 1), 1); }

    double prepare(std::vector<pollfd>& fds) override
    {
        ++prepared;
        fds.push_back({pipe_[0], POLLIN, 0});
        return INFINITY;
    }
    void dispatch(const std::vector<pollfd>& fds) override
    {
        ASSERT_EQ(fds.size(), 1u);
        ++dispatched;
        if (fds[0].revents & POLLIN) {
            char byte;
            EXPECT_EQ(::read(pipe_[0], &byte, 1), 1);
            heard_.push_back("source");
        }
    }

    int prepared = 0;
    int dispatched = 0;

private:
    std::vector<std::string>& heard_;
    int pipe_[2] = {-1, -1};
};

} // namespace

TEST(RunLoopEventSource, ItsDescriptorWakesTheLoopAfterPostedWorkHasRun)
{
    foundation::RunLoop& loop = foundation::RunLoop::main();
    std::vector<std::string> heard;
    PipeSource source(heard);
    loop.setEventSource(&source);
    loop.post([&] { heard.push_back("posted"); });
    source.signal();
    ASSERT_TRUE(loop.runUntil([&] { return heard.size() == 2; }, 10));
    EXPECT_EQ(heard, (std::vector<std::string>{"posted", "source"}));

    // From another thread, with nothing else to wake the loop.
    std::thread writer([&] { source.signal(); });
    ASSERT_TRUE(loop.runUntil([&] { return heard.size() == 3; }, 10));
    writer.join();
    loop.setEventSource(nullptr);
    EXPECT_EQ(source.prepared, source.dispatched);  // every wait is handed back
}
