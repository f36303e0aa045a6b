#pragma once

#include "foundation/objects/Data.h"
#include "foundation/objects/Error.h"

#include <cstddef>

namespace foundation {

// The platform's reading options; AllowFragments lets the top-level value
// be a string, number, boolean or null instead of an array or object.
namespace JSONReadingOptions {
inline constexpr unsigned MutableContainers = 1;
inline constexpr unsigned MutableLeaves = 2;
inline constexpr unsigned AllowFragments = 4;
} // namespace JSONReadingOptions

// The platform's JSON serialization code for text it cannot read.
inline constexpr long JSONReadingCorruptError = 3840;

// Decodes JSON text (UTF-8) into platform objects: objects become
// dictionaries, arrays arrays (both mutable), strings strings, integers
// numbers of type 'q' (or 'Q' above the signed range), other numbers 'd',
// true and false the boolean singletons, null the Null object.
class JSONSerialization {
public:
    // Deeper nesting is refused as bad input rather than risking the stack.
    static constexpr std::size_t MaximumDepth = 512;

    // Null plus a Cocoa-domain error (code 3840, what went wrong and where
    // under "NSDebugDescription" and "NSJSONSerializationErrorIndex") for
    // empty data, text that is not JSON or not UTF-8, nesting beyond
    // MaximumDepth, or a fragment without AllowFragments. Never throws.
    [[nodiscard]] static Ref<Object> JSONObjectWithData(const Data& data, unsigned options, Ref<Error>* error = nullptr);
};

} // namespace foundation
