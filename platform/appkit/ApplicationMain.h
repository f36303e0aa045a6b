#pragma once

#include "appkit/WindowDisplay.h"

#include <functional>
#include <memory>
#include <string>

namespace appkit {

// Opens the desktop presenter; null, with the reason in `error`, when no
// display can be reached. Programs that link a desktop presenter pass one.
using DesktopOpener = std::function<std::unique_ptr<WindowDisplay>(std::string& error)>;

// Runs the application, as the platform's NSApplicationMain does:
//  1. records argc and argv as the process's arguments (Application::arguments);
//  2. loads the UI description at `descriptionPath` (a relative path is
//     taken from the directory of the running program); the description
//     connects the application's delegate through the outlet
//     "application.delegate";
//  3. sends applicationDidFinishLaunching: to the delegate, by name, when
//     it answers it;
//  4. presents the windows (see PresenterChoice: on the desktop through
//     `openDesktop`, else on the terminal or as lines with TerminalPresenter,
//     reading standard input and writing standard error, never standard
//     output) and runs the main run loop until SIGINT or SIGTERM;
//  5. sends applicationWillTerminate: to the delegate, by name, and
//     answers 0.
// A description that cannot be loaded, an unknown forced presenter, or a
// forced desktop that cannot be opened is one diagnostic (logDiagnostic: a line on standard error)
// and answers 1. A display that is named but cannot be reached, when the
// desktop was not forced, prints one line and falls back to the terminal
// or lines. Call it on the main thread.
int ApplicationMain(int argc, const char* const* argv, const std::string& descriptionPath,
                    const DesktopOpener& openDesktop = nullptr);

} // namespace appkit
