#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// The platform's legacy escaping of a whole URL text: every byte that may not
// stand in a URL (controls, space, " % < > [ \ ] ^ ` { | } and every byte of
// a non-ASCII character's UTF-8 form) becomes %XX. Characters with a meaning
// in URLs (/ ? # & : ; = + @ and the like) stay as they are, so the text's
// structure is kept: a "?" in it still starts the query.
[[nodiscard]] std::string percentEscaped(std::string_view text);

// Escapes a file-system path for use as the path of a file URL: like
// percentEscaped, and also "?" and "#", which would otherwise end the path.
[[nodiscard]] std::string percentEscapedPath(std::string_view path);

// Replaces each %XX by its byte; no value when an escape is malformed
// (a "%" not followed by two hexadecimal digits).
[[nodiscard]] std::optional<std::string> percentDecoded(std::string_view text);

} // namespace foundation
