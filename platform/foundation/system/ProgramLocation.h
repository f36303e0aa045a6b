#pragma once

#include <string>
#include <string_view>

namespace foundation {

// The files a program ships with (UI descriptions, plug-ins) are found from
// where the program itself lies, never through a path fixed at build time,
// so that an installation works under any prefix and the build tree works
// as it is. Both paths are relative to the folder of the running program:
// `installed` where an installation keeps the file (bin/ -> share/...),
// `inBuildTree` where the build puts it. The result is absolute: the
// installed path when it exists or when the build tree's does not either,
// so that the error that follows names where an installation keeps it.
std::string shippedFilePath(std::string_view installed, std::string_view inBuildTree);

} // namespace foundation
