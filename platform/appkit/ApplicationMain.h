#pragma once

#include <string>

namespace appkit {

// Runs the application, as the platform's NSApplicationMain does:
//  1. records argc and argv as the process's arguments (Application::arguments);
//  2. loads the UI description at `descriptionPath` (a relative path is
//     taken from the directory of the running program); the description
//     connects the application's delegate through the outlet
//     "application.delegate";
//  3. sends applicationDidFinishLaunching: to the delegate, by name, when
//     it answers it;
//  4. presents the windows on the terminal (TerminalPresenter, reading
//     standard input and writing standard error) and runs the main run
//     loop until SIGINT or SIGTERM;
//  5. sends applicationWillTerminate: to the delegate, by name, and
//     answers 0.
// A description that cannot be loaded is one diagnostic (logDiagnostic:
// a line on standard error) and answers 1. Call it on the main thread.
int ApplicationMain(int argc, const char* const* argv, const std::string& descriptionPath);

} // namespace appkit
