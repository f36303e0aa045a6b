#pragma once

// The working state of one encoding run and the operations that write into
// it. Library-internal: JTSerializer owns the state, the encoder fills it.

#include "foundation/objects/Error.h"
#include "foundation/objects/Format.h"
#include "foundation/objects/Object.h"
#include "json/JTError.h"
#include "json/internal/JTManagedBuffer.h"
#include "json/JTSerializer.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace jotter {

// One slot of the output cache: the text written for `key` starts at
// `offset` in the JSON buffer and is `length` bytes long. The key is an
// object's address, or the word of a number held in a slot (whose tag bits
// no object address has), so repeated numbers are copied either way.
struct JTEncodeCache {
    std::uintptr_t key;
    std::size_t offset;
    std::size_t length;
};

inline constexpr std::size_t JTEncodeCacheSlots = 1024;
inline constexpr std::size_t JTEncodeBufferGranularity = 32768;
inline constexpr std::size_t JTEncodeFrameBufferSize = 4096;

struct JTEncodeState {
    JTManagedBuffer stringBuffer;  // receives the JSON text
    std::size_t atIndex = 0;       // bytes of JSON text written so far
    JTEncodeCache cache[JTEncodeCacheSlots] = {};
    JTSerializeOptionFlags serializeOptionFlags = 0;
    JTEncodeOption encodeOption = 0;
    std::size_t depth = 0;  // arrays and dictionaries open around the value being written
    foundation::Ref<foundation::Error> error;  // the first error of the run

    foundation::Ref<foundation::Object> formatterDelegate;
    foundation::Operation classFormatterIMP = nullptr;  // looked up once per run
    const FormatterBlock* formatterBlock = nullptr;

    // Container elements fetched in one call, one slice per open container,
    // addressed by index because a deeper container may move the storage.
    // The first fetchedCount entries are in use; the vector only grows, so
    // that a slice is not zero-filled each time it is taken.
    std::vector<foundation::Object*> fetchedObjects;
    std::size_t fetchedCount = 0;
    // Every formatter replacement lives until the run ends: the cache is keyed
    // by address, and a freed replacement's address may come back.
    std::vector<foundation::Ref<foundation::Object>> replacements;
};

// Records the run's first error (later ones are dropped) and returns false,
// so that `return jt_encode_error(...)` ends a writer.
template <typename... Arguments>
[[nodiscard]] bool jt_encode_error(JTEncodeState& state, std::string_view format, const Arguments&... arguments)
{
    if (!state.error)
        state.error = foundation::Error::withDescription(
            JTErrorDomain, JTErrorCode, foundation::format(format, arguments...));
    return false;
}

// Encodes one value, recursively. Like every writer it returns true on
// success and false after recording an error; a false makes every caller up
// the recursion return false at once.
[[nodiscard]] bool jt_encode_add_atom_to_buffer(JTEncodeState& state, foundation::Object* object);

} // namespace jotter
