#include "json/internal/JTManagedBuffer.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace jotter {

namespace {

bool roundUp(std::size_t size, std::size_t granularity, std::size_t& rounded) noexcept
{
    if (granularity == 0) {
        rounded = size;
        return true;
    }
    std::size_t remainder = size % granularity;
    if (remainder == 0) {
        rounded = size;
        return true;
    }
    if (size > std::numeric_limits<std::size_t>::max() - (granularity - remainder))
        return false;
    rounded = size + (granularity - remainder);
    return true;
}

} // namespace

bool jt_managedBuffer_resize(JTManagedBuffer& buffer, std::size_t newSize) noexcept
{
    if (buffer.bytes.ptr && buffer.bytes.length >= newSize)
        return true;
    std::size_t roundedSize;
    if (!roundUp(newSize, buffer.roundSizeUpToMultipleOf, roundedSize)) {
        jt_managedBuffer_release(buffer);
        return false;
    }

    unsigned char* block;
    if ((buffer.flags & JTManagedBufferLocationMask) == JTManagedBufferOnHeap) {
        block = static_cast<unsigned char*>(std::realloc(buffer.bytes.ptr, roundedSize));
        if (!block) {
            jt_managedBuffer_release(buffer);
            return false;
        }
    } else {
        block = static_cast<unsigned char*>(std::malloc(roundedSize));
        if (!block) {
            buffer = JTManagedBuffer{{}, 0, buffer.roundSizeUpToMultipleOf};
            return false;
        }
        if (buffer.bytes.ptr)
            std::memcpy(block, buffer.bytes.ptr, buffer.bytes.length);
    }
    buffer.bytes = {block, roundedSize};
    buffer.flags = JTManagedBufferOnHeap | JTManagedBufferMustFree;
    return true;
}

void jt_managedBuffer_release(JTManagedBuffer& buffer) noexcept
{
    if (buffer.flags & JTManagedBufferMustFree)
        std::free(buffer.bytes.ptr);
    buffer.bytes = {};
    buffer.flags = 0;
}

void jt_managedBuffer_detach(JTManagedBuffer& buffer) noexcept
{
    buffer.bytes = {};
    buffer.flags = 0;
}

} // namespace jotter
