#include "appkit/InputReader.h"

#include "foundation/objects/Exception.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace appkit {

InputReader::InputReader(int fd, ChunkHandler onChunk, EndHandler onEnd)
    : fd_(fd)
    , onChunk_(std::move(onChunk))
    , onEnd_(std::move(onEnd))
{
    if (::pipe2(wake_, O_CLOEXEC) != 0)
        foundation::raise(foundation::ExceptionName::Generic, std::string("cannot make a pipe: ") + std::strerror(errno));
    thread_ = std::thread([this] { run(); });
}

InputReader::~InputReader()
{
    char byte = 0;
    while (::write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void InputReader::run()
{
    char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents)
            return;
        if (!fds[0].revents)
            continue;
        ssize_t count = ::read(fd_, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (count <= 0)
            break;
        onChunk_(std::string_view(buffer, static_cast<std::size_t>(count)));
    }
    onEnd_();
}

} // namespace appkit
