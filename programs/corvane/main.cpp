// Corvane, the update agent: runs with its notification window hidden and
// checks once a day for a newer Erlang release.
#include "agent/AppDelegate.h"
#include "agent/TestSettings.h"

#include "appkit/ApplicationMain.h"
#include "appkit/PresenterChoice.h"
#include "desktop/DesktopPresenter.h"
#include "desktop/DisplayCheck.h"
#include "foundation/storage/UserDefaults.h"
#include "foundation/system/CommandLine.h"
#include "foundation/system/Log.h"
#include "foundation/system/ProgramLocation.h"
#include "terminal/TerminalPresenter.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::string_view usage = R"(Usage: corvane [--presenter=desktop|terminal|lines]

The update agent of the ZVK Erlang/OTP distribution: runs with its window
hidden and, once a day, announces a newer Erlang release.

  --presenter=KIND  show the window on the desktop, as a framed box in the
                    terminal, or as lines on a pipe (KIND: desktop,
                    terminal or lines); without it, the first that can be
                    had, in that order
  --help            show this text
  --version         show the version
)";

const foundation::CommandLineSyntax syntax = {"corvane", PACKAGE_VERSION, usage, {{"presenter", true}}, 0};

// The UI description travels with the program, like a bundle's resources:
// PROGRAM_RESOURCES leads from the installed program to its installed
// resources; the build tree keeps them in Resources/ beside the program.
std::string mainUIDescription()
{
    return foundation::shippedFilePath(PROGRAM_RESOURCES "/MainMenu.ui", "Resources/MainMenu.ui");
}

// Started with a standard descriptor closed (as a login item may be), the
// next pipe or socket would take its number and the agent's lines would go
// into it: hold each closed one open on /dev/null instead.
void keepStandardDescriptorsOpen()
{
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) == -1)
            open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);  // takes the lowest free number
    }
}

} // namespace

int main(int argc, char** argv)
{
    keepStandardDescriptorsOpen();
    foundation::CommandLine commandLine(syntax, argc, argv);
    if (std::optional<int> status = commandLine.answer())
        return *status;
    // An unknown presenter is a wrong command line (or setting), refused
    // before the agent starts rather than by the presenter choice later.
    std::string error;
    appkit::forcedPresenter(argc, argv, std::getenv("APPKIT_PRESENTER"), error);
    if (!error.empty()) {
        foundation::logDiagnostic(error);
        return 2;
    }
    if (!corvane::applyTestSettings())
        return 2;
    foundation::UserDefaults::setApplicationDomain("com.zvk.corvane");
    corvane::registerAgentClasses();
    // ApplicationMain returns 0 after a normal end (SIGINT or SIGTERM); a UI
    // description it could not load is a failure, reported as one.
    // The desktop is checked for at start and GTK loaded only for the first
    // announcement: the agent mostly waits, for days, with nothing shown.
    return appkit::ApplicationMain(argc, argv, mainUIDescription(),
                                   {terminal::TerminalPresenter::onStandardStreams,
                                    {desktop::displayReachable,
                                     [](std::string& error) -> std::unique_ptr<appkit::WindowDisplay> {
                                         return desktop::DesktopPresenter::open(error);
                                     }}});
}
