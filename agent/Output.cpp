#include "agent/Output.h"

#include <cerrno>
#include <string>
#include <unistd.h>

namespace corvane {

namespace {

void writeLine(int descriptor, std::string line)
{
    line += '\n';
    const char* next = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        ssize_t written = ::write(descriptor, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;  // nobody is reading: the line is dropped, the agent goes on
        next += written;
        left -= static_cast<std::size_t>(written);
    }
}

} // namespace

void printLine(std::string_view text)
{
    writeLine(STDOUT_FILENO, std::string(text));
}

void printDiagnostic(std::string_view text)
{
    writeLine(STDERR_FILENO, "corvane: " + std::string(text));
}

} // namespace corvane
