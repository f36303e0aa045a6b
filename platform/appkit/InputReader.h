#pragma once

#include <functional>
#include <string_view>
#include <thread>

namespace appkit {

// Reads a file descriptor on a thread of its own and hands each chunk read
// to a handler on that thread, until the end of the input, a read error or
// its own destruction (which wakes the thread and joins it). The
// descriptor stays open and belongs to the caller.
class InputReader {
public:
    using ChunkHandler = std::function<void(std::string_view chunk)>;
    using EndHandler = std::function<void()>;

    // `onEnd` runs once on the reader's thread when the input ends or fails,
    // not when the reader is destroyed first.
    InputReader(int fd, ChunkHandler onChunk, EndHandler onEnd);
    ~InputReader();

    InputReader(const InputReader&) = delete;
    InputReader& operator=(const InputReader&) = delete;

private:
    void run();

    int fd_;
    int wake_[2] = {-1, -1};  // a pipe: writing to it ends the thread
    ChunkHandler onChunk_;
    EndHandler onEnd_;
    std::thread thread_;
};

} // namespace appkit
