#pragma once

#include <string>
#include <string_view>

namespace appkit {

// What a program does when its presenter is the desktop and the desktop
// cannot be had (no display named, one that cannot be reached, or no
// desktop presenter in the program). When the person forced the desktop,
// `reason` is the program's one diagnostic and the answer is false: the
// program ends. Otherwise one line on standard error says why and what
// shows the windows `instead` ("<reason>; showing <instead>"), and the
// answer is true: the program goes on with its console presenter.
bool fallBackFromDesktop(const std::string& reason, bool forced, std::string_view instead);

} // namespace appkit
