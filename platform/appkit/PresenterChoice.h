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

// What the person forced: the last "--presenter=KIND" argument, else the
// APPKIT_PRESENTER environment setting (empty counts as unset), KIND being
// desktop, terminal or lines. Null when neither is given; an unknown KIND
// answers null with `error` set.
std::optional<PresenterKind> forcedPresenter(int argc, const char* const* argv, const char* environmentSetting,
                                             std::string& error);

// The choice for this process: its arguments, its environment, and whether
// standard input and `outputFd` are terminals. Null, with `error`, for an
// unknown forced kind.
std::optional<PresenterKind> presenterForProcess(int argc, const char* const* argv, int outputFd, bool& forced,
                                                 std::string& error);

} // namespace appkit
