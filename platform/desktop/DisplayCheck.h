#pragma once

#include <string>

namespace desktop {

// Whether the display named by WAYLAND_DISPLAY or DISPLAY answers now, found
// by opening a connection of our own (a Wayland socket, or XCB for X11)
// and closing it again: the toolkit is not initialised and nothing stays
// open, so a program can check its display at start and load the toolkit
// only when it has a window to show. False, with `error` saying why, when
// neither is set or neither can be reached. Blocks no longer than a
// connect to the display does. Standard error is on /dev/null meanwhile
// (the X library would write a refusing server's reason there), so call it
// at start, before other threads write there.
bool displayReachable(std::string& error);

// The message for a display that is named but cannot be reached, or for
// none named; shared by the check and the toolkit's own opening so that the
// person reads the same line whichever of the two finds it.
std::string unreachableDisplayMessage();

} // namespace desktop
