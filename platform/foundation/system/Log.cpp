#include "foundation/system/Log.h"

#include "foundation/system/FileIO.h"
#include "foundation/system/PrintableText.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>

#include <syslog.h>
#include <unistd.h>

namespace foundation {

namespace {

std::mutex logMutex;
std::condition_variable messageArrived;
LogCaptureForTesting* currentCapture = nullptr;

void openSystemLog()
{
    static std::once_flag opened;
    std::call_once(opened, [] { ::openlog(program_invocation_short_name, LOG_PID, LOG_USER); });
}

std::string withLineFeed(std::string line)
{
    if (line.empty() || line.back() != '\n')
        line += '\n';
    return line;
}

// The standard-error line of log(): the message as logged now by this thread.
std::string stampedLine(std::string_view message)
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
    return withLineFeed(prefix + printableText(message, LineFeeds::Keep));
}

} // namespace

// The one way out for every message: the capture or syslog, then standard error.
struct LogSink {
    static void emit(std::string_view message, std::string_view line, bool toSystemLog)
    {
        {
            std::lock_guard lock(logMutex);
            if (currentCapture) {
                currentCapture->append(message);
                messageArrived.notify_all();
            } else if (toSystemLog) {
                openSystemLog();
                std::string printable = printableText(message, LineFeeds::Keep);
                ::syslog(LOG_NOTICE, "%s", printable.c_str());
            }
        }
        // Nobody may be reading standard error: the line is then dropped.
        (void)writeAll(STDERR_FILENO, line);
    }
};

void log(std::string_view message)
{
    LogSink::emit(message, stampedLine(message), true);
}

void logDiagnostic(std::string_view message)
{
    std::string_view text = message.ends_with('\n') ? message.substr(0, message.size() - 1) : message;
    LogSink::emit(message, withLineFeed(program_invocation_short_name + std::string(": ") + printableText(text)), false);
}

LogCaptureForTesting::LogCaptureForTesting()
{
    std::lock_guard lock(logMutex);
    previous_ = currentCapture;
    currentCapture = this;
}

LogCaptureForTesting::~LogCaptureForTesting()
{
    std::lock_guard lock(logMutex);
    currentCapture = previous_;
}

void LogCaptureForTesting::append(std::string_view message)
{
    messages_.emplace_back(message);
}

std::vector<std::string> LogCaptureForTesting::messages() const
{
    std::lock_guard lock(logMutex);
    return messages_;
}

bool LogCaptureForTesting::waitForMessages(std::size_t count, double seconds) const
{
    std::unique_lock lock(logMutex);
    return messageArrived.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return messages_.size() >= count; });
}

} // namespace foundation
