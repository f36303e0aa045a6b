#pragma once

namespace foundation {

// The value of one hexadecimal digit (either case), or -1 for any other
// character: for percent escapes in URLs and \U escapes in strings files.
constexpr int hexDigitValue(char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace foundation
