#pragma once

#include <string_view>

namespace corvane {

// Writes one line of the agent's own output ("Error: …" and the download
// line) to standard output in a single write, so lines from the main thread
// and from download completions never interleave. Standard output carries
// nothing else; what the agent noticed and quietly gave up on (a malformed
// feed, an unusable download name) goes to foundation::logDiagnostic.
void printLine(std::string_view text);

} // namespace corvane
