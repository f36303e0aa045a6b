#include "agent/Output.h"

#include "foundation/system/FileIO.h"
#include "foundation/system/PrintableText.h"

#include <string>
#include <unistd.h>

namespace corvane {

void printLine(std::string_view text)
{
    // The text may quote the feed (a release path, a file name in an
    // error): it stays one line, with no control characters.
    // Nobody may be reading: the line is then dropped and the agent goes on.
    (void)foundation::writeAll(STDOUT_FILENO, foundation::printableText(text) + '\n');
}

} // namespace corvane
