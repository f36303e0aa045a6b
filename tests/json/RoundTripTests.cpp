// What the encoder writes, another parser reads back equal: the three
// benchmark corpora and generated trees, through nlohmann-json.

#include "EncodingHelpers.h"

#include "support/NlohmannTree.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <fstream>
#include <random>
#include <cmath>

namespace jotter::testing {
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
    foundation::Ref<foundation::Object> tree = support::platformTree(original);
    for (JTSerializeOptionFlags flags : optionCombinations) {
        std::string text = jsonText(tree.get(), flags);
        json readBack = json::parse(text, nullptr, false);
        ASSERT_FALSE(readBack.is_discarded()) << context << ", options " << flags << ": " << text.substr(0, 200);
        EXPECT_TRUE(readBack == original) << context << ", options " << flags;
    }
}

TEST(RoundTrip, BenchmarkCorporaReadBackEqual)
{
    for (const char* name : {"canada.json", "citm_catalog.json", "twitter.json"}) {
        std::ifstream file(std::string(JOTTER_BENCH_DATA_DIR) + "/" + name);
        ASSERT_TRUE(file) << "cannot open " << name;
        expectRoundTrip(json::parse(file), name);
    }
}

// Random trees whose strings draw on every kind of character the escaping
// rules treat differently, and whose numbers reach the integer limits and
// arbitrary doubles.
class TreeGenerator {
public:
    explicit TreeGenerator(std::uint64_t seed) : random_(seed) {}

    json value(int depth)
    {
        switch (pick(depth > 0 ? 8 : 6)) {
        case 0: return nullptr;
        case 1: return pick(2) == 0;
        case 2: return integer();
        case 3: return floating();
        case 4:
        case 5: return string();
        case 6: {
            json array = json::array();
            for (int count = pick(6); count > 0; --count)
                array.push_back(value(depth - 1));
            return array;
        }
        default: {
            json object = json::object();
            for (int count = pick(6); count > 0; --count)
                object[string()] = value(depth - 1);
            return object;
        }
        }
    }

private:
    int pick(int bound) { return static_cast<int>(random_() % static_cast<std::uint64_t>(bound)); }

    json integer()
    {
        switch (pick(4)) {
        case 0: return std::numeric_limits<std::int64_t>::min() + pick(3);
        case 1: return std::numeric_limits<std::uint64_t>::max() - static_cast<std::uint64_t>(pick(3));
        case 2: return static_cast<std::int64_t>(random_());
        default: return pick(2000) - 1000;
        }
    }

    // Any finite double, and one whose low digits the scaling has rounded.
    json floating()
    {
        std::uint64_t bits = random_();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value))
            return 0.5;
        return pick(2) ? value : value / 1e300 * 1e300 + 0.5;
    }

    json string()
    {
        static const char* const pool[] = {"a", "Z", "0", " ", "\"", "\\", "/", "\b", "\t", "\n", "\f", "\r", "\x01",
            "\x0b", "\x1f", "\x7f", "\u00e9", "\u07ff", "\u0800", "\u20ac", "\uffe9", "\U0001F600", "\U0010FFFD"};
        std::string text;
        for (int length = pick(12); length > 0; --length)
            text += pool[pick(sizeof pool / sizeof pool[0])];
        return text;
    }

    std::mt19937_64 random_;
};

TEST(RoundTrip, RandomTreesReadBackEqual)
{
    for (std::uint64_t seed = 1; seed <= 300; ++seed) {
        json tree = TreeGenerator(seed).value(5);
        expectRoundTrip(tree, "seed " + std::to_string(seed));
        if (::testing::Test::HasFailure())
            return;
    }
}

} // namespace
} // namespace jotter::testing
