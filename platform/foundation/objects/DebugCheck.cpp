#include "foundation/objects/DebugCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace foundation {

void debugCheckFailed(const char* condition, const char* contract, const char* remedy,
                      std::source_location where) noexcept
{
    // One buffer, one write: under PIPE_BUF bytes, so the report stays whole
    // when other threads write too, and no retry loop is needed to get it
    // out before the abort.
    char report[2048];
    int length = std::snprintf(report, sizeof report,
                               "debug check failed: %s\n"
                               "  condition: %s\n"
                               "  at: %s:%u in %s\n"
                               "  fix: %s\n",
                               contract, condition, where.file_name(), static_cast<unsigned>(where.line()),
                               where.function_name(), remedy);
    if (length > 0) {
        std::size_t size = std::min(static_cast<std::size_t>(length), sizeof report - 1);
        [[maybe_unused]] ssize_t written = ::write(STDERR_FILENO, report, size);
    }
    std::abort();
}

} // namespace foundation
