#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

// Sends what this process writes to a descriptor (standard output, say)
// into a pipe for the life of the object, so a test can wait for a line
// that another thread writes, without polling.
class CapturedOutput {
public:
    explicit CapturedOutput(int descriptor);
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    // Waits until `count` whole lines have arrived; false after the limit.
    [[nodiscard]] bool waitForLines(std::size_t count, double seconds = 10);
    // What has arrived so far.
    std::string text() const;
    // Ends the capture (the descriptor is itself again) and answers all
    // that was written to it meanwhile.
    std::string stop();

private:
    void read();

    int descriptor_;
    int saved_ = -1;
    int pipe_[2] = {-1, -1};
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::string text_;
    std::thread reader_;
};

} // namespace testsupport
