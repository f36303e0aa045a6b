// The installer stand-in: walks a person through an introduction, the
// panes of one plug-in bundle and a finish pane, in the terminal or driven
// by line commands on standard input.
//
//   installer [PATH/TO/PLUGIN.bundle]
//
// Without a path it loads the plug-in installed with it (DEFAULT_PLUGIN,
// relative to the program), or, in the build tree, the one the build made.
//
// Exit status: 0 when the person closed the installer on its last pane, 1
// when they quit before (or the input ended, or SIGINT or SIGTERM came), 2
// when the bundle cannot be used. The panes are shown on standard output;
// the system log's copy and the installer's own errors go to standard error.
#include "installer/InstallerConsole.h"
#include "installer/PluginBundle.h"
#include "installer/TextPane.h"

#include "appkit/Application.h"
#include "foundation/runloop/RunLoop.h"
#include "foundation/system/ProgramLocation.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr const char* WindowTitle = "Install Erlang/OTP";

int fail(const std::string& message)
{
    std::fprintf(stderr, "installer: %s\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2)
        return fail("usage: installer [PATH/TO/PLUGIN.bundle]");
    std::string bundlePath =
        argc == 2 ? argv[1] : foundation::shippedFilePath(DEFAULT_PLUGIN, DEFAULT_PLUGIN_IN_BUILD_TREE);
    std::signal(SIGPIPE, SIG_IGN);
    appkit::Application::shared().setArguments(argc, argv);

    installer::PluginBundle plugin;
    std::string error;
    std::vector<installer::PaneSequence::Entry> panes;
    panes.push_back({installer::TextPane::create("Introduction",
                                                 "Welcome to the Erlang/OTP installer. You will be guided through the "
                                                 "steps necessary to install this software."),
                     nullptr});
    if (!plugin.load(bundlePath, error) || !plugin.makePanes(panes, error))
        return fail(error);
    panes.push_back({installer::TextPane::create("Summary", "The installation was completed successfully."), nullptr});

    foundation::RunLoop& loop = foundation::RunLoop::main();
    int status = 1;
    bool quitting = false;
    auto quit = [&](int exitStatus) {
        if (std::exchange(quitting, true))
            return;
        status = exitStatus;
        loop.stop();
    };
    loop.setTerminationHandler([&] { quit(1); });

    auto window = appkit::Window::create();
    window->setTitle(foundation::str(WindowTitle));
    installer::InstallerConsole* console = nullptr;
    installer::PaneSequence sequence(
        window, std::move(panes), [&console] { if (console) console->scheduleDisplay(); }, [&quit] { quit(0); });
    installer::InstallerConsole shown(sequence, STDIN_FILENO, STDOUT_FILENO, quit);
    console = &shown;
    sequence.start();
    loop.run();
    return status;
}
