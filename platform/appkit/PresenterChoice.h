#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace appkit {

// Which presenter shows a program's windows.
//   Desktop   windows on the desktop (a display is named)
//   Terminal  a framed box at a terminal, keys press the buttons
//   Lines     blocks of lines on a pipe, one choice a line
enum class PresenterKind { Desktop, Terminal, Lines };

// Without a forced kind: the desktop when a display is named, else the
// terminal when input and output are terminals, else lines. A forced kind
// is taken as it is.
PresenterKind choosePresenter(std::optional<PresenterKind> forced, bool displayNamed, bool terminal);

// What the person forced: `option`, the value of the command line's last
// "--presenter=KIND" as the program's CommandLine read it (so that an
// operand after "--" is never taken for it), else the APPKIT_PRESENTER
// environment setting (empty counts as unset), KIND being desktop,
// terminal or lines. Null when neither is given; an unknown KIND answers
// null with `error` set.
std::optional<PresenterKind> forcedPresenter(std::optional<std::string_view> option, const char* environmentSetting,
                                             std::string& error);

struct PresenterRequest {
    PresenterKind kind;
    bool forced;  // by the person, not the first that could be had
};

// The choice for this process: the forced kind, else by its environment
// and whether standard input and `outputFd` are terminals. Null, with
// `error`, for an unknown forced kind.
std::optional<PresenterRequest> presenterForProcess(std::optional<std::string_view> option, int outputFd,
                                                    std::string& error);

} // namespace appkit
