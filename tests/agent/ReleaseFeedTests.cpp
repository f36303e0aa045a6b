#include "agent/ReleaseFeed.h"

#include "foundation/Array.h"
#include "foundation/Number.h"
#include "foundation/String.h"

#include <gtest/gtest.h>

using namespace foundation;
using corvane::FeedReading;
using corvane::readFirstStableRelease;

namespace {

Ref<Dictionary> entry(std::initializer_list<std::pair<const char*, Object*>> values)
{
    Ref<MutableDictionary> dictionary = MutableDictionary::create();
    for (const auto& [key, value] : values)
        dictionary->setObject(value, key);
    return dictionary;
}

Ref<Dictionary> feedWithStable(std::initializer_list<Object*> entries)
{
    Ref<Array> stable = Array::create(entries);
    return Dictionary::create({{str("stable").get(), stable.get()}, {str("beta").get(), Number::withSigned(1).get()}});
}

} // namespace

TEST(ReleaseFeed, FirstStableEntryIsTheOfferAndOtherKeysAreIgnored)
{
    Ref<Dictionary> first = entry({{"canonical_version", str("26.1.2").get()}, {"version", str("26.1.2 (final)").get()},
                                   {"path", str("a/b/x.dmg").get()}, {"notes", str("ignored").get()}});
    Ref<Dictionary> second = entry({{"canonical_version", str("25.0").get()}});
    FeedReading reading = readFirstStableRelease(*feedWithStable({first.get(), second.get()}));
    ASSERT_EQ(reading.outcome, FeedReading::Outcome::Offered);
    EXPECT_EQ(reading.release.canonicalVersion, "26.1.2");
    EXPECT_EQ(reading.release.version, "26.1.2 (final)");
    EXPECT_EQ(reading.release.path, "a/b/x.dmg");
}

TEST(ReleaseFeed, EmptyStableOffersNothing)
{
    EXPECT_EQ(readFirstStableRelease(*feedWithStable({})).outcome, FeedReading::Outcome::NothingOffered);
}

TEST(ReleaseFeed, BrokenFormatsAreUnusableNeverGuessed)
{
    Ref<Dictionary> good = entry({{"canonical_version", str("1").get()}, {"version", str("1").get()}, {"path", str("p").get()}});
    Ref<Dictionary> numberValue = entry({{"canonical_version", str("1").get()}, {"size", Number::withSigned(3).get()}});
    Ref<Dictionary> noCanonical = entry({{"version", str("1").get()}, {"path", str("p").get()}});
    struct Case {
        const char* name;
        Ref<Dictionary> feed;
    } cases[] = {
        {"no stable", Dictionary::create({})},
        {"stable not an array", Dictionary::create({{str("stable").get(), str("26").get()}})},
        {"entry not an object", feedWithStable({good.get(), str("x").get()})},
        {"non-string value in a later entry", feedWithStable({good.get(), numberValue.get()})},
        {"first entry without canonical_version", feedWithStable({noCanonical.get()})},
    };
    for (const Case& c : cases) {
        FeedReading reading = readFirstStableRelease(*c.feed);
        EXPECT_EQ(reading.outcome, FeedReading::Outcome::Unusable) << c.name;
        EXPECT_FALSE(reading.problem.empty()) << c.name;
    }
}

TEST(ReleaseFeed, MissingVersionOrPathIsReportedAsAbsentNotInvented)
{
    Ref<Dictionary> first = entry({{"canonical_version", str("26").get()}});
    FeedReading reading = readFirstStableRelease(*feedWithStable({first.get()}));
    ASSERT_EQ(reading.outcome, FeedReading::Outcome::Offered);
    EXPECT_FALSE(reading.release.version.has_value());
    EXPECT_FALSE(reading.release.path.has_value());
}
