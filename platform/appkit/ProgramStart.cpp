#include "appkit/ProgramStart.h"

#include "appkit/Application.h"
#include "foundation/system/Log.h"
#include "foundation/system/StandardDescriptors.h"

#include <csignal>

namespace appkit {

using foundation::ExitStatus;

int startProgram(const foundation::CommandLineSyntax& syntax, int argc, const char* const* argv, int consoleOutputFd,
                 const std::function<ExitStatus(const ProgramStart& start)>& run)
{
    foundation::keepStandardDescriptorsOpen();
    foundation::CommandLine commandLine(syntax, argc, argv);
    if (std::optional<ExitStatus> status = commandLine.answer())
        return foundation::exitCode(*status);
    std::string error;
    std::optional<PresenterRequest> presenter = presenterForProcess(commandLine.value("presenter"), consoleOutputFd, error);
    if (!presenter) {
        foundation::logDiagnostic(error);
        return foundation::exitCode(ExitStatus::Usage);
    }
    Application::shared().setArguments(argc, argv);
    std::signal(SIGPIPE, SIG_IGN);
    return foundation::exitCode(run({commandLine, *presenter}));
}

} // namespace appkit
