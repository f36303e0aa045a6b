// Corvane, the update agent: runs with its notification window hidden and
// checks once a day for a newer Erlang release.
#include "agent/AppDelegate.h"
#include "agent/TestSettings.h"

#include "appkit/ApplicationMain.h"
#include "appkit/ProgramStart.h"
#include "desktop/DesktopPresenter.h"
#include "desktop/DisplayCheck.h"
#include "foundation/storage/UserDefaults.h"
#include "foundation/system/ProgramLocation.h"
#include "terminal/ConsolePresenter.h"

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

} // namespace

int main(int argc, char** argv)
{
    // The window is drawn on standard error: standard output is the agent's own.
    return appkit::startProgram(syntax, argc, argv, STDERR_FILENO, [](const appkit::ProgramStart& start) {
        if (!corvane::applyTestSettings())
            return foundation::ExitStatus::Usage;
        foundation::UserDefaults::setApplicationDomain("com.zvk.corvane");
        corvane::registerAgentClasses();
        // The desktop is checked for at start and GTK loaded only for the
        // first announcement: the agent mostly waits, for days, with nothing
        // shown.
        return appkit::ApplicationMain(start.presenter, mainUIDescription(),
                                       {terminal::ConsolePresenter::onStandardStreams,
                                        {desktop::displayReachable,
                                         [](std::string& error) -> std::unique_ptr<appkit::WindowDisplay> {
                                             return desktop::DesktopPresenter::open(error);
                                         }}});
    });
}
