// The decoder's string and number cache: sharing within and across parses,
// the stored key hashes, ageing and clearCache. Numbers that fit in a slot
// bypass the cache, so the numbers here are ones that stay objects: integers
// from 2^62 on and doubles beyond 1e77.

#include "DecodingHelpers.h"

#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "json/internal/JTParseState.h"

#include <string>

namespace testsupport {

using namespace jotter;

namespace {

foundation::Ref<foundation::Object> parse(JSONDecoder& decoder, std::string_view text)
{
    return decoder.objectWithUTF8String(text.data(), text.size());
}

foundation::Object* element(const foundation::Ref<foundation::Object>& tree, std::size_t index)
{
    return static_cast<foundation::Array&>(*tree).objectAtIndex(index);
}

// The cache item holding a string with these bytes, or null.
const JTTokenCacheItem* itemForString(const JSONDecoder& decoder, std::string_view text)
{
    const JTTokenCache& cache = decoder.parseStateForTesting().cache;
    for (std::size_t i = 0; i < cache.count; ++i) {
        const JTTokenCacheItem& item = cache.items[i];
        if (item.object && item.type == JTValueTypeString
            && std::string_view(reinterpret_cast<const char*>(item.bytes), item.size) == text)
            return &item;
    }
    return nullptr;
}

TEST(DecoderCache, RepeatedValuesShareOneObject)
{
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    // The escaped form decodes to the same bytes and so finds the same item.
    foundation::Ref<foundation::Object> tree = parse(*decoder,
        R"(["id", "\u0069d", 5000000000000000000, 5000000000000000000, 5e300, 5e300, "5000000000000000000"])");
    EXPECT_EQ(element(tree, 0), element(tree, 1));
    EXPECT_EQ(element(tree, 2), element(tree, 3));
    EXPECT_EQ(element(tree, 4), element(tree, 5));
    EXPECT_NE(element(tree, 2), element(tree, 6));
}

TEST(DecoderCache, SecondParseTakesItsValuesFromTheCache)
{
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    const std::string document = R"({"name": "Ada", "born": 5000000000000001815, "ratio": 5e300, "tags": ["x"]})";
    foundation::Ref<foundation::Object> first = parse(*decoder, document);
    foundation::Ref<foundation::Object> second = parse(*decoder, document);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_TRUE(first->isEqual(*second));
    auto& a = static_cast<foundation::Dictionary&>(*first);
    auto& b = static_cast<foundation::Dictionary&>(*second);
    for (const char* key : {"name", "born", "ratio"})
        EXPECT_EQ(a.objectForKey(key), b.objectForKey(key)) << key;
}

TEST(DecoderCache, KeysKeepTheirHashInTheCache)
{
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    foundation::Ref<foundation::Object> values = parse(*decoder, R"(["key"])");
    const JTTokenCacheItem* item = itemForString(*decoder, "key");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->cfHash, 0u);  // not needed yet: no dictionary used it
    parse(*decoder, R"({"key": 1})");
    EXPECT_EQ(item->cfHash, foundation::hashOf(*foundation::str("key")));
}

TEST(DecoderCache, ClearCacheReleasesTheCachedObjects)
{
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    foundation::Ref<foundation::Object> tree = parse(*decoder, R"(["kept"])");
    foundation::Object* kept = element(tree, 0);
    EXPECT_EQ(kept->refCount(), 2u);
    decoder->clearCache();
    EXPECT_EQ(kept->refCount(), 1u);
    EXPECT_EQ(itemForString(*decoder, "kept"), nullptr);
    EXPECT_NE(element(parse(*decoder, R"(["kept"])"), 0), kept);
}

TEST(DecoderCache, HitsKeepAValueAgainstPassingMisses)
{
    // Fill the cache with hot values (each hit several times), then pass
    // thousands of one-off values over it: most hot values must survive.
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    std::string hot = "[";
    for (int i = 0; i < 300; ++i)
        hot += "\"hot" + std::to_string(i) + "\",";
    hot.back() = ']';
    for (int round = 0; round < 4; ++round)
        parse(*decoder, hot);
    std::string cold = "[";
    for (int i = 0; i < 600; ++i)
        cold += "\"cold" + std::to_string(i) + "\",";
    cold.back() = ']';
    parse(*decoder, cold);
    int survivors = 0;
    for (int i = 0; i < 300; ++i)
        survivors += itemForString(*decoder, "hot" + std::to_string(i)) != nullptr;
    EXPECT_GT(survivors, 200);
}

// The references a parse hands out for repeated values are counted in one
// step at its end: exactly one per place in the tree, plus the cache's.
TEST(DecoderCache, RepeatedValuesCountOneReferencePerPlace)
{
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    foundation::Ref<foundation::Object> tree =
        parse(*decoder, R"(["x", "x", {"x": "x"}, 5000000000000000000, 5000000000000000000])");
    foundation::Object* x = element(tree, 0);
    EXPECT_EQ(x->refCount(), 5u);  // four places and the cache
    EXPECT_EQ(element(tree, 3)->refCount(), 3u);
    tree = nullptr;
    EXPECT_EQ(x->refCount(), 1u);
}

// A repeated key replaces its earlier pair, whose key and value were
// handed out as repeated values: they are counted before they are released.
TEST(DecoderCache, RepeatedKeysReleaseTheReplacedPairSafely)
{
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    foundation::Ref<foundation::Object> tree = parse(*decoder,
        R"([{"a": 5000000000000000001, "a": 5000000000000000001, "a": 2}, "a", 5000000000000000001])");
    ASSERT_TRUE(tree);
    auto& object = static_cast<foundation::Dictionary&>(*element(tree, 0));
    EXPECT_EQ(object.count(), 1u);
    EXPECT_EQ(static_cast<foundation::Number*>(object.objectForKey("a"))->int64Value(), 2);
    EXPECT_EQ(element(tree, 1)->refCount(), 3u);  // the key kept, the element, the cache
    EXPECT_EQ(element(tree, 2)->refCount(), 2u);  // the element, the cache
}

// In a mutable dictionary too, and when the replaced value is a container
// holding cached values of its own: the whole replaced tree goes, and only
// its references with it.
TEST(DecoderCache, RepeatedKeysReleaseAReplacedContainerInAMutableDictionary)
{
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    const std::string text = R"([{"k": {"n": ["v", "v"]}, "k": ["v"]}, "v", "k", "n"])";
    foundation::Ref<foundation::Object> tree = decoder->mutableObjectWithUTF8String(text.data(), text.size());
    ASSERT_TRUE(tree);
    auto& object = static_cast<foundation::Dictionary&>(*element(tree, 0));
    EXPECT_EQ(object.count(), 1u);
    EXPECT_EQ(static_cast<foundation::Array*>(object.objectForKey("k"))->count(), 1u);
    EXPECT_EQ(element(tree, 1)->refCount(), 3u);  // the kept array's element, the element, the cache
    EXPECT_EQ(element(tree, 2)->refCount(), 3u);  // the kept key, the element, the cache
    EXPECT_EQ(element(tree, 3)->refCount(), 2u);  // the element, the cache
}

TEST(DecoderCache, LiteralsCountOneReferencePerPlace)
{
    foundation::Object* yes = foundation::Number::trueValue();
    foundation::Object* no = foundation::Number::falseValue();
    foundation::Object* null = foundation::Null::null();
    const std::uint32_t before[] = {yes->refCount(), no->refCount(), null->refCount()};
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    foundation::Ref<foundation::Object> tree = parse(*decoder, "[true, true, false, null, null, null]");
    EXPECT_EQ(yes->refCount(), before[0] + 2);
    EXPECT_EQ(no->refCount(), before[1] + 1);
    EXPECT_EQ(null->refCount(), before[2] + 3);
    tree = nullptr;
    EXPECT_EQ(yes->refCount(), before[0]);
    EXPECT_EQ(no->refCount(), before[1]);
    EXPECT_EQ(null->refCount(), before[2]);
}

TEST(DecoderCache, FailedParsesLeaveOnlyTheCachesReferences)
{
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    foundation::Ref<foundation::Object> kept = parse(*decoder, R"(["y"])");
    foundation::Object* y = element(kept, 0);
    const std::uint32_t literalCount = foundation::Number::trueValue()->refCount();
    for (const char* text : {R"(["y", "y", {"y": ["y", true, }])", R"(["y", "y", true] trailing)", R"({"y": "y")"}) {
        EXPECT_FALSE(parse(*decoder, text)) << text;
        EXPECT_EQ(y->refCount(), 2u) << text;  // the first tree's and the cache's
        EXPECT_EQ(foundation::Number::trueValue()->refCount(), literalCount) << text;
    }
}

// Distinct values that differ only at one end must land on distinct items:
// at a quarter of the cache's size, four probes place nearly all of them
// (a few give way to later misses as the ageing policy wants; a hash that
// clustered them would keep a handful).
void expectSpreadOverTheItems(const std::string& prefix, const std::string& suffix)
{
    auto value = [&](int i) {
        std::string digits = std::to_string(1000 + i).substr(1);
        return prefix + digits + suffix;
    };
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    std::string document = "[";
    for (int i = 0; i < 256; ++i)
        document += "\"" + value(i) + "\",";
    document.back() = ']';
    parse(*decoder, document);
    int cached = 0;
    for (int i = 0; i < 256; ++i)
        cached += itemForString(*decoder, value(i)) != nullptr;
    EXPECT_GE(cached, 240) << prefix << "NNN" << suffix;
}

TEST(DecoderCache, KeysDifferingInTheirLastBytesSpreadOverTheItems)
{
    expectSpreadOverTheItems("identifier_of_a_long_record_number_", "");
    expectSpreadOverTheItems("k", "");
}

TEST(DecoderCache, KeysDifferingInTheirFirstBytesSpreadOverTheItems)
{
    expectSpreadOverTheItems("", "_identifier_of_a_long_record_number");
}

TEST(DecoderCache, NumbersDifferingInTheirLowBitsSpreadOverTheItems)
{
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    std::string document = "[";
    for (int i = 0; i < 256; ++i)
        document += std::to_string(5000000000000000000 + i) + ",";
    document.back() = ']';
    parse(*decoder, document);
    const JTTokenCache& cache = decoder->parseStateForTesting().cache;
    int cached = 0;
    for (std::size_t i = 0; i < cache.count; ++i)
        cached += cache.items[i].object && cache.items[i].type == JTValueTypeUnsignedLongLong;
    EXPECT_GE(cached, 240);
}

} // namespace
} // namespace testsupport
