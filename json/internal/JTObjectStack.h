#pragma once

// The object stack's storage steps. Library-internal: the decoder's readers
// push onto the stack directly and call these to place or grow it.

#include "json/internal/JTParseState.h"

namespace jotter {

// Points the stack at three runs of `count` entries lent by the parse's
// frame (zeroed by the caller), with no entry in use.
void jt_objectStack_setToStackBuffer(JTObjectStack& stack, JTSlot* objects, foundation::Object** keys,
    std::uint64_t* cfHashes, std::size_t count) noexcept;

// Makes room for at least newCount entries, rounded up to the stack's unit,
// keeping the entries in use; the new entries are zero. The first growth
// copies the lent runs to the heap. On failure the stack is left as it was
// and false is returned.
[[nodiscard]] bool jt_objectStack_resize(JTObjectStack& stack, std::size_t newCount) noexcept;

// Frees the heap runs (the references in them must have been given up) and
// leaves the stack empty.
void jt_objectStack_release(JTObjectStack& stack) noexcept;

} // namespace jotter
