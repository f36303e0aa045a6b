#include "terminal/Console.h"

#include "appkit/Quoted.h"
#include "foundation/system/FileIO.h"

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace terminal {

using appkit::inQuotes;

Console::Console(int inputFd, int outputFd, Handlers handlers)
    : inputFd_(inputFd)
    , outputFd_(outputFd)
    , handlers_(std::move(handlers))
{
    watchWhileForeground();
}

Console::~Console()
{
    unwatch();
}

void Console::watchWhileForeground()
{
    if (!reading_ || !isForegroundOf(inputFd_)) {
        unwatch();
        return;
    }
    if (!std::exchange(watching_, true))
        watch_ = foundation::RunLoop::main().watchReadable(inputFd_, [this] { readInput(); });
}

void Console::unwatch()
{
    if (std::exchange(watching_, false))
        foundation::RunLoop::main().unwatch(watch_);
}

void Console::readInput()
{
    char buffer[4096];
    ssize_t count = ::read(inputFd_, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (count <= 0) {
        lines_.finish();
        bool endedByInput = reading_;  // not by its last line
        stopReading();
        if (endedByInput && handlers_.end)
            handlers_.end();
        return;
    }
    std::string_view chunk(buffer, static_cast<std::size_t>(count));
    if (handlers_.keys)
        handlers_.keys(chunk);
    else
        lines_.append(chunk);
}

void Console::stopReading()
{
    reading_ = false;
    unwatch();
}

void Console::write(std::string_view text)
{
    (void)foundation::writeAll(outputFd_, text);  // nobody may be reading: the text is dropped
}

void Console::ignore(std::string_view input, std::string_view why)
{
    write("== ignored " + inQuotes(input) + ": " + std::string(why) + "\n");
}

std::string indentedLines(const std::vector<std::string>& lines)
{
    std::string block;
    for (const auto& line : lines)
        block.append("  ").append(line).append("\n");
    return block;
}

} // namespace terminal
