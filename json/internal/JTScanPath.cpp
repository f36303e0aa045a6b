#include "json/internal/JTScanPath.h"

#include <atomic>

namespace jotter {

namespace {

std::atomic<bool> vectorScanning{JOTTER_VECTOR_SCAN != 0};

} // namespace

bool jt_vectorScanning() noexcept
{
    return vectorScanning.load(std::memory_order_relaxed);
}

void jt_setVectorScanning(bool enabled) noexcept
{
    vectorScanning.store(enabled && JOTTER_VECTOR_SCAN, std::memory_order_relaxed);
}

} // namespace jotter
