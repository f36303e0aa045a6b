#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

// Both ends of a pipe, closed at the end of the test.
struct Pipe {
    int read = -1;
    int write = -1;

    Pipe()
    {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        read = fds[0];
        write = fds[1];
    }
    ~Pipe() { closeWrite(); ::close(read); }
    void closeWrite()
    {
        if (write >= 0)
            ::close(std::exchange(write, -1));
    }
    // All that was written, once the write end is closed.
    std::string contents()
    {
        closeWrite();
        std::string text;
        char buffer[4096];
        for (ssize_t count; (count = ::read(read, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(count));
        return text;
    }
};

// Points a standard descriptor at another for the life of the object.
class Redirection {
public:
    Redirection(int fd, int to) : fd_(fd), saved_(::dup(fd)) { std::fflush(nullptr); ::dup2(to, fd); }
    ~Redirection()
    {
        std::fflush(nullptr);
        ::dup2(saved_, fd_);
        ::close(saved_);
    }

private:
    int fd_;
    int saved_;
};

inline void send(int fd, std::string_view text)
{
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}
