#include "foundation/system/Log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

#include <syslog.h>
#include <unistd.h>

namespace foundation {

namespace {

std::mutex logMutex;
LogCapture* currentCapture = nullptr;

void openSystemLog()
{
    static std::once_flag opened;
    std::call_once(opened, [] { ::openlog(program_invocation_short_name, LOG_PID, LOG_USER); });
}

} // namespace

std::string logLine(std::string_view message)
{
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    auto milliseconds = duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm parts{};
    ::localtime_r(&seconds, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &parts);
    char prefix[128];
    std::snprintf(prefix, sizeof prefix, "%s.%03lld %s[%d:%d] ", stamp, static_cast<long long>(milliseconds),
                  program_invocation_short_name, static_cast<int>(::getpid()), static_cast<int>(::gettid()));
    std::string line = prefix;
    line.append(message);
    if (line.back() != '\n')
        line += '\n';
    return line;
}

void log(std::string_view message)
{
    std::string line = logLine(message);
    {
        std::lock_guard lock(logMutex);
        if (currentCapture) {
            currentCapture->append(message);
        } else {
            openSystemLog();
            ::syslog(LOG_NOTICE, "%.*s", static_cast<int>(message.size()), message.data());
        }
    }
    // One write, so that lines of different threads never interleave.
    for (std::string_view rest = line; !rest.empty();) {
        ssize_t written = ::write(STDERR_FILENO, rest.data(), rest.size());
        if (written <= 0)
            break;
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
}

LogCapture::LogCapture()
{
    std::lock_guard lock(logMutex);
    previous_ = currentCapture;
    currentCapture = this;
}

LogCapture::~LogCapture()
{
    std::lock_guard lock(logMutex);
    currentCapture = previous_;
}

void LogCapture::append(std::string_view message)
{
    messages_.emplace_back(message);
}

std::vector<std::string> LogCapture::messages() const
{
    std::lock_guard lock(logMutex);
    return messages_;
}

} // namespace foundation
