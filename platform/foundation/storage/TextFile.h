#pragma once

#include "foundation/objects/Error.h"
#include "foundation/objects/String.h"

#include <string_view>

namespace foundation {

class URL;

// Reads a whole file as UTF-8 text (a leading byte-order mark is dropped).
// On failure answers null and, through `error` when given, a Cocoa-domain
// error whose description names the file and the cause, with the full path
// under "NSFilePath":
//   260  no such file            257  no permission to read it
//   261  not valid UTF-8         256  anything else (a directory, an I/O error)
// The errno behind the first, second and last is under "NSUnderlyingError".
[[nodiscard]] Ref<String> stringWithContentsOfFile(std::string_view path, Ref<Error>* error);
// The same for a file URL; any other URL is error 262 (unsupported scheme).
[[nodiscard]] Ref<String> stringWithContentsOfURL(const URL& url, Ref<Error>* error);

} // namespace foundation
