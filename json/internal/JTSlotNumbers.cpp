#include "json/internal/JTSlotNumbers.h"

#include <atomic>

namespace jotter {

namespace {

std::atomic<bool> slotNumbers{true};

} // namespace

bool jt_slotNumbers() noexcept
{
    return slotNumbers.load(std::memory_order_relaxed);
}

void jt_setSlotNumbers(bool enabled) noexcept
{
    slotNumbers.store(enabled, std::memory_order_relaxed);
}

} // namespace jotter
