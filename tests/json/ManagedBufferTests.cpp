#include "json/JTManagedBuffer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace jotter {
namespace {

TEST(ManagedBuffer, GrowingALentBufferCopiesItToTheHeapRounded)
{
    unsigned char frame[64];
    std::memcpy(frame, "lent bytes", 10);
    JTManagedBuffer buffer = JTManagedBuffer::lent(frame, sizeof frame, 4096);

    ASSERT_TRUE(jt_managedBuffer_resize(buffer, 10));
    EXPECT_EQ(buffer.bytes.ptr, frame) << "already large enough";
    EXPECT_EQ(buffer.flags, JTManagedBufferOnStack);

    ASSERT_TRUE(jt_managedBuffer_resize(buffer, 5000));
    EXPECT_NE(buffer.bytes.ptr, frame);
    EXPECT_EQ(buffer.bytes.length, 8192u);
    EXPECT_EQ(buffer.flags, JTManagedBufferOnHeap | JTManagedBufferMustFree);
    EXPECT_EQ(std::memcmp(buffer.bytes.ptr, "lent bytes", 10), 0);

    ASSERT_TRUE(jt_managedBuffer_resize(buffer, 100000));
    EXPECT_EQ(buffer.bytes.length, 102400u);
    EXPECT_EQ(std::memcmp(buffer.bytes.ptr, "lent bytes", 10), 0);

    jt_managedBuffer_release(buffer);
    EXPECT_EQ(buffer.bytes.ptr, nullptr);
    EXPECT_EQ(buffer.flags, 0u);
}

// A size whose rounding would overflow must fail, not wrap to a tiny block.
TEST(ManagedBuffer, SizeThatCannotBeRoundedFails)
{
    unsigned char frame[16];
    JTManagedBuffer buffer = JTManagedBuffer::lent(frame, sizeof frame, 4096);
    ASSERT_TRUE(jt_managedBuffer_resize(buffer, 20000));
    EXPECT_FALSE(jt_managedBuffer_resize(buffer, std::numeric_limits<std::size_t>::max() - 10));
    EXPECT_EQ(buffer.bytes.ptr, nullptr) << "the heap block was freed";
    EXPECT_EQ(buffer.bytes.length, 0u);
}

TEST(ManagedBuffer, DetachLeavesTheBlockToItsNewOwner)
{
    unsigned char frame[16];
    JTManagedBuffer buffer = JTManagedBuffer::lent(frame, sizeof frame, 32);
    ASSERT_TRUE(jt_managedBuffer_resize(buffer, 40));
    unsigned char* block = buffer.bytes.ptr;
    jt_managedBuffer_detach(buffer);
    jt_managedBuffer_release(buffer);  // must not free the block
    EXPECT_EQ(buffer.bytes.ptr, nullptr);
    std::free(block);
}

} // namespace
} // namespace jotter
