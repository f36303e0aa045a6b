#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "json/ConvertSingleCodePointInUTF8.h"
#include "json/JTError.h"
#include "json/JTParseState.h"

#include <cstring>

namespace jotter {
namespace {

// A message may quote a byte of the input (the character found where a hex
// digit was due), and the input need not be UTF-8; each ill-formed sequence
// becomes U+FFFD so that the error's description is a valid string.
std::string withValidUTF8(const std::string& message)
{
    std::string valid;
    valid.reserve(message.size());
    const auto* p = reinterpret_cast<const unsigned char*>(message.data());
    const auto* end = p + message.size();
    while (p < end) {
        const unsigned char* next = p + 1;
        std::uint32_t codePoint = 0;
        if (*p < 0x80 || ConvertSingleCodePointInUTF8(p, end, &next, &codePoint) == ConversionResult::ConversionOK)
            valid.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(next - p));
        else
            valid += "\xEF\xBF\xBD";
        p = next;
    }
    return valid;
}

} // namespace

bool jt_error_message(JTParseState& state, std::string message)
{
    if (state.error)
        return false;
    foundation::Ref<foundation::String> description = foundation::str(withValidUTF8(message));
    foundation::Ref<foundation::Number> atIndex = foundation::Number::withUnsigned(state.atIndex);
    foundation::Ref<foundation::Number> lineNumber = foundation::Number::withUnsigned(state.lineNumber);
    foundation::Ref<foundation::String> descriptionKey = foundation::str(foundation::LocalizedDescriptionKey);
    foundation::Ref<foundation::String> atIndexKey = foundation::str(JTAtIndexKey);
    foundation::Ref<foundation::String> lineNumberKey = foundation::str(JTLineNumberKey);
    state.error = foundation::Error::create(JTErrorDomain, JTErrorCode,
        foundation::Dictionary::create({
            {descriptionKey.get(), description.get()},
            {atIndexKey.get(), atIndex.get()},
            {lineNumberKey.get(), lineNumber.get()},
        }));
    return false;
}

const char* jt_sourceFileName(const char* path) noexcept
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

} // namespace jotter
