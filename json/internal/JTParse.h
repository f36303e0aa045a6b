#pragma once

#include "foundation/objects/Error.h"
#include "json/internal/JTParseState.h"

namespace jotter {

// One whole parse of `length` bytes with the state's options: the top-level
// array or object, owned by the caller, or null with the parse's first error
// stored through `error` when that is not null. Whatever the parse built is
// released when it fails; the state's cache keeps what it gained.
foundation::Ref<foundation::Object> _JTParseUTF8String(JTParseState& state, bool makeMutable,
    const unsigned char* bytes, std::size_t length, foundation::Ref<foundation::Error>* error);

} // namespace jotter
