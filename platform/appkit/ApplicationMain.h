#pragma once

#include "appkit/DeferredPresenter.h"
#include "appkit/PresenterChoice.h"
#include "foundation/system/ExitStatus.h"

#include <functional>
#include <memory>
#include <string>

namespace appkit {

// How a program that links a desktop presenter offers it. `reachable`
// answers at start whether the display can be reached (the reason in
// `error` when not) and keeps nothing of it open; `open` loads the toolkit
// and opens the presenter, null with the reason when the display cannot be
// reached, and is called only when the first window is shown.
struct DesktopOpener {
    std::function<bool(std::string& error)> reachable;
    DeferredPresenter::Opener open;
};

// The presenters a program links, offered to ApplicationMain: `console`
// opens the terminal or the lines presenter (Terminal or Lines) on the
// process's standard input and standard error, and every program has one;
// `desktop` is empty in a program without a desktop presenter.
struct Presenters {
    std::function<std::unique_ptr<WindowDisplay>(PresenterKind kind)> console;
    DesktopOpener desktop;
};

// Runs the application, as the platform's NSApplicationMain does, once
// startProgram has read the command line and chosen the presenter:
//  1. loads the UI description at `descriptionPath` (a relative path is
//     taken from the directory of the running program); the description
//     connects the application's delegate through the outlet
//     "application.delegate";
//  2. sends applicationDidFinishLaunching: to the delegate, by name, when
//     it answers it;
//  3. presents the windows (`presenter`: on the desktop through
//     `presenters.desktop`, else on the terminal or as lines through
//     `presenters.console`, never on standard output) and runs the main
//     run loop until SIGINT or SIGTERM. The desktop is only checked for at
//     start; its toolkit is loaded when a window is first shown
//     (DeferredPresenter), so an application that waits with its windows
//     hidden holds no toolkit thread, descriptor or display connection;
//  4. sends applicationWillTerminate: to the delegate, by name, and
//     answers Success.
// A description that cannot be loaded, or a forced desktop that cannot be
// opened, is one diagnostic (logDiagnostic: a line on standard error) and
// answers Failure. A display that is named but cannot be reached, when the
// desktop was not forced, prints one line and falls back to the terminal
// or lines. A display that went away by the time the first window is
// shown does the same then, forced or not: the program is running and
// keeps running. Call it on the main thread.
foundation::ExitStatus ApplicationMain(const PresenterRequest& presenter, const std::string& descriptionPath,
                                       const Presenters& presenters);

} // namespace appkit
