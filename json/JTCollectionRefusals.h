#pragma once

namespace foundation {
class Object;
}

namespace jotter {

// The refusals the library's collections share. Each raises
// foundation::Exception and never returns.

// Outside construction: only the decoder's factories make collections.
[[noreturn]] void jt_raisePrivateClass(const char* className);

// A mutating operation sent to a collection created immutable.
[[noreturn]] void jt_raiseMutatingImmutable(const foundation::Object& collection, const char* selector);

} // namespace jotter
