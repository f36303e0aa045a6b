#pragma once

#include <cerrno>
#include <string_view>
#include <unistd.h>

namespace appkit {

// Writes all of `text` to a descriptor, going on after interrupted and
// partial writes; stops quietly when the reader has gone (a closed pipe),
// since a display has no one left to tell.
inline void writeFully(int fd, std::string_view text)
{
    while (!text.empty()) {
        ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace appkit
