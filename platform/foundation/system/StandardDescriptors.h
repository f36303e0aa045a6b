#pragma once

namespace foundation {

// Started with a standard descriptor closed (as a login item or a script's
// "<&-" may start a program), the next descriptor the program opens (the
// run loop's wake-up, a socket) would take its number: input would be read
// from it and output written into it. Holds each closed one open on
// /dev/null instead. Call it first in main, before anything opens a
// descriptor.
void keepStandardDescriptorsOpen();

} // namespace foundation
