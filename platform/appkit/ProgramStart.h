#pragma once

#include "appkit/PresenterChoice.h"
#include "foundation/system/CommandLine.h"
#include "foundation/system/ExitStatus.h"

#include <functional>

namespace appkit {

// What a program with windows learned at start.
struct ProgramStart {
    const foundation::CommandLine& commandLine;
    PresenterRequest presenter;
};

// The start-up every program with windows shares, in this order:
//  1. closed standard descriptors are held open on /dev/null, before
//     anything opens a descriptor (keepStandardDescriptorsOpen);
//  2. the command line is read against `syntax` once: --help and
//     --version are answered, a wrong command line refused (CommandLine);
//  3. the presenter is chosen once, from that reading (presenterForProcess,
//     `consoleOutputFd` being where the program's console presenter
//     writes); an unknown kind is a wrong command line: one diagnostic;
//  4. the arguments are recorded (Application::arguments) and SIGPIPE is
//     ignored (a reader that went away makes writes fail, not the program);
//  5. `run` runs the program and answers how it ended.
// Answers the process's exit status. Call it from main, on the main thread.
int startProgram(const foundation::CommandLineSyntax& syntax, int argc, const char* const* argv, int consoleOutputFd,
                 const std::function<foundation::ExitStatus(const ProgramStart& start)>& run);

} // namespace appkit
