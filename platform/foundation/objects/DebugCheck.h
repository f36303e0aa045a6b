#pragma once

#include <source_location>

// Debug checks: contracts whose breach would otherwise corrupt memory
// silently (a double free, a use after free, a data race, a read past the
// end of a malformed string) and show up far from the mistake, if at all.
//
//   FOUNDATION_DEBUG_CHECK(condition, contract, remedy);
//
// In Debug and Sanitize builds a false condition writes to standard error
// what contract broke, where, and how to fix the caller, then aborts:
//
//   debug check failed: Ref::adopt of an object whose reference count is not 1
//     condition: !object || object->refCount() == 1
//     at: platform/foundation/objects/Ref.h:40 in ...
//     fix: adopt only a new object (Ref<T>::adopt(new T)); ...
//
// Release builds (NDEBUG) compile the checks out: the condition is never
// evaluated, so a check costs nothing on a hot path (every retain, every
// value the JSON encoder writes). A condition may therefore name variables
// that exist only for it; they count as used.
//
// A check is for states that must never happen. A mistake a caller can see
// and handle in every build (a nil argument, an index out of range) raises
// an Exception instead (FOUNDATION_PARAMETER_ASSERT).

#if defined(NDEBUG)
#define FOUNDATION_DEBUG_CHECKS 0
#else
#define FOUNDATION_DEBUG_CHECKS 1
#endif

namespace foundation {

// Whether this build has the checks; tests of a check skip without them.
inline constexpr bool debugChecksEnabled = FOUNDATION_DEBUG_CHECKS;

// Reports a broken check and aborts. It writes with write(2) from a stack
// buffer only, because it runs where the heap, a lock or the object being
// checked may already be in a bad state.
[[noreturn]] void debugCheckFailed(const char* condition, const char* contract, const char* remedy,
                                   std::source_location where) noexcept;

} // namespace foundation

#if FOUNDATION_DEBUG_CHECKS
#define FOUNDATION_DEBUG_CHECK(condition, contract, remedy)                                                  \
    do {                                                                                                     \
        if (!(condition)) [[unlikely]]                                                                       \
            ::foundation::debugCheckFailed(#condition, contract, remedy, std::source_location::current());   \
    } while (0)
// For helpers that check on their caller's behalf: the report names `where`.
#define FOUNDATION_DEBUG_CHECK_AT(where, condition, contract, remedy)                                        \
    do {                                                                                                     \
        if (!(condition)) [[unlikely]]                                                                       \
            ::foundation::debugCheckFailed(#condition, contract, remedy, where);                             \
    } while (0)
#else
#define FOUNDATION_DEBUG_CHECK(condition, contract, remedy) ((void)sizeof(!(condition)))
#define FOUNDATION_DEBUG_CHECK_AT(where, condition, contract, remedy) ((void)sizeof(where), (void)sizeof(!(condition)))
#endif
