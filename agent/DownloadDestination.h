#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Where a downloaded disk image goes: the temporary directory plus the last
// path component of the release's path, as URL text ("file:///tmp/x.dmg").
// The same text names the move's target and is handed to the disk-image
// tool. No value when that component could name something other than a
// file directly inside the directory ("", ".", "..", or text that decodes
// to a slash or to one of those).
std::optional<std::string> downloadDestination(std::string_view temporaryDirectory, std::string_view releasePath);

// Whether what already stands at a destination (given as its file URL
// text) may be handed to the disk-image tool in place of a download that
// could not be moved there: only a regular file of this user, such as an
// earlier download of the same release. In the shared /tmp anyone may put a
// file, a directory or a link under a release's name first; its sticky bit
// keeps a file of ours from being swapped afterwards.
bool destinationHoldsOwnFile(const std::string& destination);

} // namespace corvane
