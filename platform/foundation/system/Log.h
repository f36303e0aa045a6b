#pragma once

#include "foundation/objects/Format.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// Every message the platform writes goes through here, in one of two forms,
// and reaches standard error in one write, so that lines of different
// threads never interleave. A message that does not end with a line feed
// gets one. Messages often quote what a server or a file sent, so control
// characters are written as U+FFFD (printableText); a diagnostic stays one
// line. Captures (below) keep the messages as given.

// The system log (the platform's NSLog): each message goes to syslog(3) and,
// as the platform's logger does, a copy goes to standard error:
//   2026-12-06 19:44:31.123 corvane[1234:5678] message
// (local time, program name, process and thread ids).
void log(std::string_view message);

// log(format(...)), with "%@" for objects: logFormat("userInfo %@", info).
template <typename... Arguments>
void logFormat(std::string_view formatText, const Arguments&... arguments)
{
    log(format(formatText, arguments...));
}

// A diagnostic: what the program noticed and worked around or gave up on
// (a defaults file it could not read or save, a tool it could not launch),
// for whoever reads its standard error, where it is one line:
//   corvane: message
// (the program name, as in command-line tools' messages). Not sent to syslog.
void logDiagnostic(std::string_view message);

// For tests: while a capture exists, the messages of both forms are kept by
// it instead of going to syslog (the standard-error line is still written).
// Captures nest; the newest one receives the messages.
class LogCaptureForTesting {
public:
    LogCaptureForTesting();
    ~LogCaptureForTesting();
    LogCaptureForTesting(const LogCaptureForTesting&) = delete;
    LogCaptureForTesting& operator=(const LogCaptureForTesting&) = delete;

    // The messages as they were given, oldest first.
    std::vector<std::string> messages() const;
    // Waits until `count` messages have arrived, for one that another thread
    // writes; false after `seconds`.
    [[nodiscard]] bool waitForMessages(std::size_t count, double seconds = 10) const;

private:
    friend struct LogSink;
    void append(std::string_view message);

    LogCaptureForTesting* previous_;
    std::vector<std::string> messages_;
};

} // namespace foundation
