#include "foundation/system/PrintableText.h"

namespace foundation {

std::string printableText(std::string_view text, LineFeeds lineFeeds)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        // C1 controls are U+0080..U+009F, in UTF-8 0xC2 0x80..0x9F.
        bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80
            && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        bool control = byte < 0x20 || byte == 0x7F || c1;
        if (control && !(byte == '\n' && lineFeeds == LineFeeds::Keep)) {
            result += "\xEF\xBF\xBD";
            i += c1;
            continue;
        }
        result += text[i];
    }
    return result;
}

} // namespace foundation
