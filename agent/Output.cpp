#include "agent/Output.h"

#include "foundation/system/FileIO.h"

#include <string>
#include <unistd.h>

namespace corvane {

void printLine(std::string_view text)
{
    // Nobody may be reading: the line is then dropped and the agent goes on.
    (void)foundation::writeAll(STDOUT_FILENO, std::string(text) + '\n');
}

} // namespace corvane
