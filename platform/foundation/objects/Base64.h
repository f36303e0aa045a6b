#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// Standard Base64 (RFC 4648, "+/" alphabet, "=" padding).
[[nodiscard]] std::string base64Encoded(std::string_view bytes);
// Null for text that is not padded Base64 of that alphabet.
[[nodiscard]] std::optional<std::string> base64Decoded(std::string_view text);

} // namespace foundation
