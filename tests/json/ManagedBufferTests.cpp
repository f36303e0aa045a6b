#include "json/internal/JTManagedBuffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace jotter {
namespace {

// The buffer starts in the caller's frame and moves to the heap, contents
// kept, the first time it must grow.
TEST(ManagedBuffer, GrowsOntoTheHeapKeepingItsContents)
{
    unsigned char frame[64];
    std::memcpy(frame, "lent bytes", 10);
    JTManagedBuffer buffer = JTManagedBuffer::lent(frame, sizeof frame, 4096);
    ASSERT_TRUE(jt_managedBuffer_resize(buffer, 10));
    EXPECT_EQ(buffer.bytes.ptr, frame) << "already large enough";
    ASSERT_TRUE(jt_managedBuffer_resize(buffer, 5000));
    EXPECT_EQ(buffer.bytes.length, 8192u);
    ASSERT_TRUE(jt_managedBuffer_resize(buffer, 100000));
    EXPECT_EQ(std::memcmp(buffer.bytes.ptr, "lent bytes", 10), 0);
    jt_managedBuffer_release(buffer);
}

// A size whose rounding would overflow must fail, not wrap to a tiny block;
// the failed resize lets go of the old block (the sanitizer build sees a
// leak otherwise).
TEST(ManagedBuffer, AnOverflowingSizeFailsAndFreesTheBlock)
{
    unsigned char frame[64];
    JTManagedBuffer buffer = JTManagedBuffer::lent(frame, sizeof frame, 4096);
    ASSERT_TRUE(jt_managedBuffer_resize(buffer, 5000));
    EXPECT_FALSE(jt_managedBuffer_resize(buffer, std::numeric_limits<std::size_t>::max() - 10));
    EXPECT_EQ(buffer.bytes.ptr, nullptr);
    EXPECT_EQ(buffer.bytes.length, 0u);
}

// A detached block belongs to its new owner and is not freed on release
// (the sanitizer build would see a double free).
TEST(ManagedBuffer, ADetachedBlockIsNotFreedOnRelease)
{
    unsigned char frame[16];
    JTManagedBuffer buffer = JTManagedBuffer::lent(frame, sizeof frame, 4096);
    ASSERT_TRUE(jt_managedBuffer_resize(buffer, 40));
    unsigned char* block = buffer.bytes.ptr;
    jt_managedBuffer_detach(buffer);
    jt_managedBuffer_release(buffer);
    EXPECT_EQ(buffer.bytes.ptr, nullptr);
    std::free(block);
}

} // namespace
} // namespace jotter
