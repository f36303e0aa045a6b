#pragma once

#include <string>
#include <string_view>

namespace foundation {

// Text bound for a terminal or a line-based reader may hold what a server
// or a file sent: control characters (C0, DEL, C1) would steer the terminal
// (escape sequences) or forge lines of their own, so each becomes U+FFFD.
// With KeepLineFeeds, line feeds stay, for messages that span lines by
// nature (an object's description). Other bytes, UTF-8 or not, pass as
// they are.
enum class LineFeeds { Replace, Keep };
std::string printableText(std::string_view text, LineFeeds lineFeeds = LineFeeds::Replace);

} // namespace foundation
