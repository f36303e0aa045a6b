#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "json/JTError.h"
#include "json/internal/JTParseState.h"

#include <cstring>

namespace jotter {
bool jt_error_message(JTParseState& state, std::string message)
{
    if (state.error)
        return false;
    // A message may quote a byte of the input (the character found where a
    // hex digit was due), and the input need not be UTF-8.
    foundation::Ref<foundation::String> description = foundation::str(foundation::withInvalidUTF8Replaced(message));
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
