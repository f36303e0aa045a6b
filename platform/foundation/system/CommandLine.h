#pragma once

#include "foundation/system/ExitStatus.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// How every program reads its command line, so that they all answer the
// same way: "--help" prints the program's usage on standard output and
// "--version" its name and the package's version, both with status 0; an
// unknown option, an option without the value it needs, a value given to
// an option that takes none, or more operands than the program takes is
// refused with one line on standard error, "PROGRAM: what was wrong (try
// 'PROGRAM --help')", and status 2.
//
// Options are long only: "--name", or "--name=VALUE" for one that takes a
// value. "--" ends the options; "-" alone is an operand (standard input, by
// convention). Everything else is an operand, even what looks like an
// option after "--". The first mistake is the one
// reported, and it is reported even when --help or --version is given too.

struct CommandLineOption {
    std::string_view name;  // without the leading "--"
    bool takesValue = false;
};

struct CommandLineSyntax {
    std::string_view program;                // as the messages name it
    std::string_view version;                // the package's version
    std::string_view usage;                  // the whole of --help's text
    std::vector<CommandLineOption> options;  // besides --help and --version
    std::size_t maximumOperands = 0;
};

class CommandLine {
public:
    // Reads argv[1] to argv[argc - 1] against `syntax`; both must outlive
    // the CommandLine, which keeps views into them.
    CommandLine(const CommandLineSyntax& syntax, int argc, const char* const* argv);

    // When the program should not run: the status to exit with, after the
    // help or version text or the one line of the refusal has been written.
    // Null when the command line asks the program to run.
    [[nodiscard]] std::optional<ExitStatus> answer() const;

    bool has(std::string_view option) const { return value(option).has_value(); }
    // The value of the option's last occurrence ("" for an option without a
    // value); null when it was not given.
    std::optional<std::string_view> value(std::string_view option) const;
    const std::vector<std::string_view>& operands() const { return m_operands; }

    // Empty when the command line is well formed; else what was wrong.
    const std::string& error() const { return m_error; }

private:
    enum class Request { Run, Help, Version };

    const CommandLineSyntax& m_syntax;
    Request m_request = Request::Run;
    std::vector<std::pair<std::string_view, std::string_view>> m_options;
    std::vector<std::string_view> m_operands;
    std::string m_error;
};

} // namespace foundation
