// What the encoder writes, another parser and our decoder read back equal:
// the three benchmark corpora and generated trees, through nlohmann-json.

#include "BenchmarkCorpora.h"
#include "EncodingHelpers.h"

#include "json/JSONDecoder.h"

#include "support/NlohmannTree.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

namespace testsupport {

using namespace jotter;

namespace {

using nlohmann::json;

constexpr JTSerializeOptionFlags optionCombinations[] = {
    JTSerializeOptionNone,
    JTSerializeOptionPretty,
    JTSerializeOptionNonASCIIEscape | JTSerializeOptionSlashEscape,
    JTSerializeOptionPretty | JTSerializeOptionNonASCIIEscape | JTSerializeOptionSlashEscape,
};

void expectRoundTrip(const json& original, const std::string& context)
{
    foundation::Ref<foundation::Object> tree = testsupport::platformTree(original);
    static foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    for (JTSerializeOptionFlags flags : optionCombinations) {
        std::string text = jsonText(tree.get(), flags);
        json readBack = json::parse(text, nullptr, false);
        ASSERT_FALSE(readBack.is_discarded()) << context << ", options " << flags << ": " << text.substr(0, 200);
        EXPECT_TRUE(readBack == original) << context << ", options " << flags;
        // Our own decoder reads every form of the text back to the same
        // tree, wrapped in an array since its top level must be a container.
        std::string wrapped = "[" + text + "]";
        foundation::Ref<foundation::Object> decoded = decoder->objectWithUTF8String(wrapped.data(), wrapped.size());
        ASSERT_TRUE(decoded) << context << ", options " << flags << ": " << text.substr(0, 200);
        EXPECT_TRUE(static_cast<foundation::Array&>(*decoded).objectAtIndex(0)->isEqual(*tree))
            << context << ", options " << flags;
    }
}

TEST(RoundTrip, BenchmarkCorporaReadBackEqual)
{
    for (const char* name : benchmarkCorpora) {
        std::optional<std::string> text = corpusText(name);
        ASSERT_TRUE(text);
        expectRoundTrip(json::parse(*text), name);
    }
}

// Random trees whose strings (values and keys) draw on every kind of
// character the escaping rules treat differently, and whose numbers reach
// the integer limits, small values and arbitrary doubles.
json randomTree(std::mt19937_64& random, int depth)
{
    static const char* const pool[] = {"a", "Z", "0", " ", "\"", "\\", "/", "\b", "\t", "\n", "\f", "\r", "\x01",
        "\x0b", "\x1f", "\x7f", "\u00e9", "\u07ff", "\u0800", "\u20ac", "\uffe9", "\U0001F600", "\U0010FFFD"};
    auto pick = [&](std::size_t bound) { return static_cast<int>(random() % bound); };
    auto string = [&] {
        std::string text;
        for (int length = pick(12); length > 0; --length)
            text += pool[pick(std::size(pool))];
        return text;
    };
    double bits = std::bit_cast<double>(random());
    json tree;
    switch (pick(depth > 0 ? 10 : 8)) {
    case 0: return nullptr;
    case 1: return pick(2) == 0;
    case 2: return std::numeric_limits<std::int64_t>::min() + pick(3);
    case 3: return std::numeric_limits<std::uint64_t>::max() - static_cast<std::uint64_t>(pick(3));
    case 4: return pick(2) ? pick(2000) - 1000 : static_cast<std::int64_t>(random());
    case 5: return std::isfinite(bits) ? bits : 0.5;
    case 6: return (pick(2000) - 1000) / 64.0 + 1e-9 * pick(1000);
    case 7: return string();
    case 8: tree = json::array(); break;
    default: tree = json::object(); break;
    }
    for (int count = pick(6); count > 0; --count) {
        if (tree.is_array())
            tree.push_back(randomTree(random, depth - 1));
        else
            tree[string()] = randomTree(random, depth - 1);
    }
    return tree;
}

TEST(RoundTrip, RandomTreesReadBackEqual)
{
    std::mt19937_64 random(1);
    for (int tree = 0; tree < 300 && !::testing::Test::HasFailure(); ++tree)
        expectRoundTrip(randomTree(random, 5), "tree " + std::to_string(tree));
}

} // namespace
} // namespace testsupport
