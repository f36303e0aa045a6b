#include "foundation/system/CommandLine.h"

#include "foundation/system/Log.h"

#include <algorithm>
#include <cstdio>

namespace foundation {

namespace {

bool writeToStandardOutput(std::string_view text)
{
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

} // namespace

CommandLine::CommandLine(const CommandLineSyntax& syntax, int argc, const char* const* argv)
    : m_syntax(syntax)
{
    bool optionsEnded = false;
    for (int index = 1; index < argc && m_error.empty(); ++index) {
        std::string_view argument = argv[index];
        if (optionsEnded || argument == "-" || !argument.starts_with("--")) {
            if (m_operands.size() == syntax.maximumOperands) {
                m_error = syntax.maximumOperands == 0
                    ? "unexpected argument '" + std::string(argument) + "'"
                    : "too many arguments: '" + std::string(argument) + "'";
            }
            m_operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string_view name = argument.substr(2);
        std::optional<std::string_view> value;
        if (std::size_t equals = name.find('='); equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        // --help and --version are every program's, whatever its syntax.
        bool request = name == "help" || name == "version";
        auto option = std::find_if(syntax.options.begin(), syntax.options.end(),
                                   [name](const CommandLineOption& known) { return known.name == name; });
        bool takesValue = !request && option != syntax.options.end() && option->takesValue;
        if (!request && option == syntax.options.end())
            m_error = "unknown option '--" + std::string(name) + "'";
        else if (takesValue && (!value || value->empty()))
            m_error = "option '--" + std::string(name) + "' needs a value (--" + std::string(name) + "=...)";
        else if (!takesValue && value)
            m_error = "option '--" + std::string(name) + "' takes no value";
        else if (request)
            m_request = name == "help" ? Request::Help : Request::Version;
        else
            m_options.emplace_back(option->name, value.value_or(std::string_view()));
    }
}

std::optional<ExitStatus> CommandLine::answer() const
{
    if (!m_error.empty()) {
        logDiagnostic(m_error + " (try '" + std::string(m_syntax.program) + " --help')");
        return ExitStatus::Usage;
    }
    auto written = [](bool done) { return done ? ExitStatus::Success : ExitStatus::Failure; };
    switch (m_request) {
    case Request::Help:
        return written(writeToStandardOutput(m_syntax.usage));
    case Request::Version:
        return written(writeToStandardOutput(std::string(m_syntax.program) + " " + std::string(m_syntax.version) + "\n"));
    case Request::Run:
        break;
    }
    return std::nullopt;
}

std::optional<std::string_view> CommandLine::value(std::string_view option) const
{
    for (auto occurrence = m_options.rbegin(); occurrence != m_options.rend(); ++occurrence) {
        if (occurrence->first == option)
            return occurrence->second;
    }
    return std::nullopt;
}

} // namespace foundation
