#pragma once

#include "foundation/objects/Format.h"

#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// The system log (the platform's NSLog): each message goes to syslog(3) and,
// as the platform's logger does, a copy goes to standard error in one write:
//   2026-12-06 19:44:31.123 corvane[1234:5678] message
// (local time, program name, process and thread ids). A message that does
// not end with a line feed gets one.
void log(std::string_view message);

// log(format(...)), with "%@" for objects: logFormat("userInfo %@", info).
template <typename... Arguments>
void logFormat(std::string_view formatText, const Arguments&... arguments)
{
    log(format(formatText, arguments...));
}

// The standard-error line for a message logged now by this thread.
[[nodiscard]] std::string logLine(std::string_view message);

// For tests: while a capture exists, messages are kept by it instead of
// going to syslog (the standard-error copy is still written). Captures nest;
// the newest one receives the messages.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> messages() const;

private:
    friend void log(std::string_view message);
    void append(std::string_view message);

    LogCapture* previous_;
    std::vector<std::string> messages_;
};

} // namespace foundation
