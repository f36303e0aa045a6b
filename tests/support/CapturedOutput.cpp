#include "support/CapturedOutput.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {

CapturedOutput::CapturedOutput(int descriptor) : descriptor_(descriptor)
{
    if (pipe2(pipe_, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    saved_ = dup(descriptor_);
    dup2(pipe_[1], descriptor_);
    reader_ = std::thread([this] { read(); });
}

CapturedOutput::~CapturedOutput()
{
    stop();
}

std::string CapturedOutput::stop()
{
    if (reader_.joinable()) {
        dup2(saved_, descriptor_);  // the pipe's last writer goes: the reader sees its end
        close(saved_);
        close(pipe_[1]);
        reader_.join();
        close(pipe_[0]);
    }
    return text();
}

void CapturedOutput::read()
{
    char chunk[4096];
    for (;;) {
        ssize_t got = ::read(pipe_[0], chunk, sizeof chunk);
        if (got <= 0)
            return;
        std::lock_guard lock(mutex_);
        text_.append(chunk, static_cast<std::size_t>(got));
        arrived_.notify_all();
    }
}

bool CapturedOutput::waitForLines(std::size_t count, double seconds)
{
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::duration<double>(seconds), [&] {
        return static_cast<std::size_t>(std::count(text_.begin(), text_.end(), '\n')) >= count;
    });
}

std::string CapturedOutput::text() const
{
    std::lock_guard lock(mutex_);
    return text_;
}

} // namespace testsupport
