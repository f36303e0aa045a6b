#pragma once

namespace foundation {

// The number of bytes of the UTF-8 sequence a lead byte starts: 1 for ASCII,
// 2 to 4 for a byte that can lead a well-formed sequence, and 0 for one that
// cannot (a continuation byte, the overlong leads C0 and C1, F5 and above).
// The bytes after the lead still need checking; this only says how many to
// wait for.
constexpr int utf8SequenceLength(unsigned char lead) noexcept
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

} // namespace foundation
