#pragma once

// Whether the decoder keeps the numbers that fit in their containers' slots
// (JTSlot) or makes an object for every number through the value cache, as
// it must for the ones that do not fit. Callers see the same trees and the
// same text either way; the switch exists so that a test or a fuzzer can
// decode a document both ways and require the same outcome.

namespace jotter {

// Whether parses started from now on, on any thread, keep numbers in slots
// (the default). Setting it while another thread parses is safe; that
// parse keeps the choice it started with.
bool jt_slotNumbers() noexcept;
void jt_setSlotNumbers(bool enabled) noexcept;

} // namespace jotter
