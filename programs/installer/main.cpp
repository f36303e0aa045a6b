// The installer stand-in: walks a person through an introduction, the
// panes of one plug-in bundle and a finish pane, in a desktop window when a
// display is named, else in the terminal or driven by line commands on
// standard input.
//
//   installer [--presenter=desktop|terminal|lines] [PATH/TO/PLUGIN.bundle]
//   installer --help | --version
//
// Without a path it loads the plug-in installed with it (DEFAULT_PLUGIN,
// relative to the program), or, in the build tree, the one the build made.
// (APPKIT_PRESENTER forces the presenter too; terminal and lines both mean
// the line commands here.)
//
// Exit status: 0 when the person closed the installer on its last pane, 1
// when they quit before (or the input ended, or SIGINT or SIGTERM came), 2
// when the bundle cannot be used or the command line is wrong. The panes are shown on standard output;
// the system log's copy and the installer's own errors go to standard error.
#include "installer/InstallerConsole.h"
#include "installer/PluginBundle.h"
#include "installer/TextPane.h"
#include "installer_desktop/InstallerWindow.h"
#include "desktop/DisplayCheck.h"

#include "appkit/DesktopFallback.h"
#include "appkit/ProgramStart.h"
#include "foundation/runloop/RunLoop.h"
#include "foundation/system/Log.h"
#include "foundation/system/ProgramLocation.h"

#include <unistd.h>

namespace {

constexpr const char* WindowTitle = "Install Erlang/OTP";

constexpr std::string_view usage = R"(Usage: installer [--presenter=desktop|terminal|lines] [PLUGIN.bundle]

Walks through an introduction, the panes of the plug-in bundle and a
summary. Without a bundle it loads the plug-in installed with it.

  --presenter=KIND  a desktop window, or the line commands on standard
                    output (KIND: desktop, terminal or lines; terminal and
                    lines are the same here); without it, the desktop when
                    a display is named
  --help            show this text
  --version         show the version
)";

const foundation::CommandLineSyntax syntax = {"installer", PACKAGE_VERSION, usage, {{"presenter", true}}, 1};

foundation::ExitStatus fail(const std::string& message)
{
    foundation::logDiagnostic(message);
    return foundation::ExitStatus::Usage;
}

// The introduction, the plug-in's panes and the summary.
bool loadPanes(installer::PluginBundle& plugin, const std::string& bundlePath,
               std::vector<installer::PaneSequence::Entry>& panes, std::string& error)
{
    panes.push_back({installer::TextPane::create("Introduction",
                                                 "Welcome to the Erlang/OTP installer. You will be guided through the "
                                                 "steps necessary to install this software."),
                     nullptr});
    if (!plugin.load(bundlePath, error) || !plugin.makePanes(panes, error))
        return false;
    panes.push_back({installer::TextPane::create("Summary", "The installation was completed successfully."), nullptr});
    return true;
}

// Walks the person through the panes, in a desktop window or on the
// console, until they close the installer on the last pane (Success) or
// leave before (Failure).
foundation::ExitStatus runInstaller(const appkit::PresenterRequest& presenter, const std::string& bundlePath)
{
    using foundation::ExitStatus;
    installer::PluginBundle plugin;
    std::vector<installer::PaneSequence::Entry> panes;
    std::string error;
    if (!loadPanes(plugin, bundlePath, panes, error))
        return fail(error);

    foundation::RunLoop& loop = foundation::RunLoop::main();
    ExitStatus status = ExitStatus::Failure;
    bool quitting = false;
    auto quit = [&](ExitStatus ending) {
        if (std::exchange(quitting, true))
            return;
        status = ending;
        loop.stop();
    };
    loop.setTerminationHandler([&] { quit(ExitStatus::Failure); });

    std::unique_ptr<desktop::DesktopPresenter> desktop;
    if (presenter.kind == appkit::PresenterKind::Desktop) {
        if (desktop::displayReachable(error))
            desktop = desktop::DesktopPresenter::open(error);
        if (!desktop && !appkit::fallBackFromDesktop(error, presenter.forced, "the panes as lines"))
            return ExitStatus::Usage;
    }

    auto window = appkit::Window::create();
    window->setTitle(foundation::str(WindowTitle));
    std::function<void()> changed;
    installer::PaneSequence sequence(
        window, std::move(panes), [&changed] { if (changed) changed(); }, [&quit] { quit(ExitStatus::Success); });
    std::unique_ptr<installer::InstallerWindow> desktopWindow;
    std::unique_ptr<installer::InstallerConsole> console;
    if (desktop) {
        desktopWindow = std::make_unique<installer::InstallerWindow>(*desktop, sequence, quit);
        changed = [&desktopWindow] { desktopWindow->paneChanged(); };
    } else {
        console = std::make_unique<installer::InstallerConsole>(sequence, STDIN_FILENO, STDOUT_FILENO, quit);
        changed = [&console] { console->scheduleDisplay(); };
    }
    sequence.start();
    loop.run();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    // The panes are written on standard output.
    return appkit::startProgram(syntax, argc, argv, STDOUT_FILENO, [](const appkit::ProgramStart& start) {
        const auto& operands = start.commandLine.operands();
        std::string bundlePath = operands.empty() ? foundation::shippedFilePath(DEFAULT_PLUGIN, DEFAULT_PLUGIN_IN_BUILD_TREE)
                                                  : std::string(operands.front());
        return runInstaller(start.presenter, bundlePath);
    });
}
