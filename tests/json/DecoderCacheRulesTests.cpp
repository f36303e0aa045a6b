// The value cache's rules, pinned item by item: where a value is probed,
// which item takes a new value, how ages fall, and what an evicted item's
// object is owed. Values are offered with hashes chosen here, so that every
// index is known in advance.

#include "json/internal/JTParseState.h"

#include "foundation/objects/String.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace testsupport {

using namespace jotter;

namespace {

class DecoderCacheRules : public ::testing::Test {
protected:
    DecoderCacheRules()
    {
        state.cache.items = items.data();
        state.cache.count = items.size();
    }
    ~DecoderCacheRules() override { jt_cache_clear(state.cache); }

    // The object the cache gives for a string with this hash, owned once
    // by the caller; the reference may still be owed.
    foundation::Object* take(std::string_view text, std::uint64_t hash)
    {
        JTTokenValue& value = state.token.value;
        value.type = JTValueTypeString;
        value.bytes = {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
        value.hash = hash;
        return jt_cachedObjects(state);
    }

    // The same with every owed reference counted, as the end of a parse
    // counts them.
    foundation::Ref<foundation::Object> offer(std::string_view text, std::uint64_t hash)
    {
        foundation::Object* object = take(text, hash);
        jt_settleOwedReferences(state);
        return owned(object);
    }

    // Takes over the caller's reference to an object the cache also holds.
    static foundation::Ref<foundation::Object> owned(foundation::Object* object)
    {
        foundation::Ref<foundation::Object> reference(object);
        object->release();
        return reference;
    }

    std::string_view textAt(std::size_t index) const
    {
        const JTTokenCacheItem& item = items[index];
        return item.object ? std::string_view(reinterpret_cast<const char*>(item.bytes), item.size) : "<empty>";
    }

    JTParseState state;
    std::vector<JTTokenCacheItem> items = std::vector<JTTokenCacheItem>(JTTokenCacheItems);
};

// Hash 5000 probes 904 first (5000 mod 1024), then steps by length + 5
// (the string type) + 3: 11 for three bytes, 13 for five.
TEST_F(DecoderCacheRules, ProbesStartAtTheHashModulo1024AndStepByLengthPlusTypePlus3)
{
    offer("abc", 5000);
    EXPECT_EQ(textAt(904), "abc");
    offer("abc", 5000);  // a hit ages the item, so misses pass over it
    offer("xyz", 5000);
    EXPECT_EQ(textAt(915), "xyz");
    offer("fives", 5000);
    EXPECT_EQ(textAt(917), "fives");
    EXPECT_EQ(textAt(904), "abc");
}

TEST_F(DecoderCacheRules, AnEmptyLaterItemIsPreferredToAnEarlierOneOfAgeZero)
{
    offer("abc", 5000);
    ASSERT_EQ(state.cache.age[904], 0);
    offer("xyz", 5000);
    EXPECT_EQ(textAt(904), "abc");
    EXPECT_EQ(textAt(915), "xyz");
}

TEST_F(DecoderCacheRules, AMissWithNoEmptyItemReplacesTheFirstOfAgeZero)
{
    offer("abc", 5000);
    offer("p15", 915);
    offer("p26", 926);
    offer("p37", 937);
    offer("xyz", 5000);
    EXPECT_EQ(textAt(904), "xyz");
    EXPECT_EQ(textAt(915), "p15");
}

// A fresh decoder's generator starts at 1 and steps
// x := (x >> 1) ^ (x & 1 ? 0x80200003 : 0): 0x80200003, then 0xC0300002,
// which pick items 3 and 2.
TEST_F(DecoderCacheRules, AMissHalvesTheAgesItPassesAndTwoTheGeneratorPicks)
{
    ASSERT_EQ(state.cache.prng_lfsr, 1u);
    offer("abc", 5000);
    offer("abc", 5000);
    const std::uint8_t hitAge = state.cache.age[904];
    ASSERT_GT(hitAge, 0);
    state.cache.age[3] = 200;
    state.cache.age[2] = 101;
    state.cache.age[1] = 77;
    offer("xyz", 5000);
    EXPECT_EQ(state.cache.age[904], hitAge / 2);
    EXPECT_EQ(state.cache.age[3], 100);
    EXPECT_EQ(state.cache.age[2], 50);
    EXPECT_EQ(state.cache.age[1], 77);
    EXPECT_EQ(state.cache.prng_lfsr, 0xC0300002u);
    EXPECT_EQ(state.cache.age[915], 0);  // the new item
}

// References handed out for a hit are owed, not yet counted; an item
// evicted in that state must count them before it lets its object go.
TEST_F(DecoderCacheRules, AnItemEvictedWhileItsReferencesAreOwedCountsThemFirst)
{
    offer("p15", 915);
    offer("p26", 926);
    offer("p37", 937);
    foundation::Ref<foundation::Object> first = offer("abc", 5000);
    foundation::Object* owed = take("abc", 5000);  // a hit: the reference is owed
    ASSERT_EQ(owed, first.get());
    EXPECT_EQ(first->refCount(), 2u);  // the cache's and `first`'s
    state.cache.age[904] = 0;
    foundation::Ref<foundation::Object> replacement = owned(take("xyz", 5000));
    ASSERT_EQ(textAt(904), "xyz");
    EXPECT_EQ(first->refCount(), 2u);  // `first`'s and the owed one; the cache's is gone
    jt_settleOwedReferences(state);
    EXPECT_EQ(first->refCount(), 2u);  // counted once only
    owed->release();
    EXPECT_EQ(first->refCount(), 1u);
    EXPECT_EQ(replacement->refCount(), 2u);
}

} // namespace
} // namespace testsupport
