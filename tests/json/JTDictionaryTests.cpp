#include "CollectionHelpers.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/FastEnumeration.h"
#include "foundation/objects/String.h"
#include "json/internal/JTDictionaryCapacities.h"

#include "support/Raises.h"

#include <map>
#include <random>

using namespace jotter;
using namespace testsupport;
using foundation::Object;
using foundation::Ref;

namespace {

using JTDictionaryTest = CollectionTest;

std::vector<int> keyIdsInSlotOrder(const JTDictionary& dictionary)
{
    std::vector<int> ids;
    for (Object* key : foundation::FastEnumeration(dictionary))
        ids.push_back(trackedId(key));
    return ids;
}

// Every occupied slot must be reachable from its key's home slot over
// occupied slots only, and carry its key's hash; the occupied slots must
// number count().
void expectTableWhole(const JTDictionary& dictionary)
{
    const JTHashTableEntry* table = _JTDictionaryHashEntry(dictionary);
    std::size_t capacity = _JTDictionaryCapacity(dictionary);
    std::size_t occupied = 0;
    for (std::size_t slot = 0; slot < capacity; ++slot) {
        if (!table[slot].key)
            continue;
        ++occupied;
        ASSERT_EQ(table[slot].keyHash, table[slot].key->hash());
        ASSERT_FALSE(table[slot].value.isEmpty());
        for (std::size_t probe = table[slot].keyHash % capacity; probe != slot; probe = (probe + 1) % capacity)
            ASSERT_NE(table[probe].key, nullptr) << "slot " << slot << " is cut off from its home slot";
    }
    ASSERT_EQ(occupied, dictionary.count());
}

} // namespace

TEST(JTDictionaryCapacity, FollowsTheTableFromCountTimesOnePointThreeThree)
{
    const std::pair<std::uint64_t, std::uint64_t> expected[] = {{0, 0}, {1, 3}, {3, 3}, {4, 7}, {6, 7}, {7, 13},
        {10, 13}, {11, 23}, {18, 23}, {19, 41}, {30, 41}, {50, 71}, {100, 191}, {1000, 1723},
        {355569362, 472907251}};
    for (auto [count, capacity] : expected)
        EXPECT_EQ(_JTDictionaryCapacityForCount(count), capacity) << count << " pairs";
}

TEST(JTDictionaryCapacity, CountsBeyondTheLastCapacityAreRefusedInsteadOfReadingPastTheTable)
{
    for (std::uint64_t count : {std::uint64_t{355569363}, ~std::uint64_t{0}}) {
        EXPECT_TRUE(raises([&] { (void)_JTDictionaryCapacityForCount(count); },
                                        foundation::ExceptionName::Range, "A dictionary of ", Reason::Start));
    }
}

TEST_F(JTDictionaryTest, AFullTableAnswersAnAbsentKeyAfterProbingEverySlot)
{
    Ref<JTDictionary> dictionary = makeDictionary({trackedPair(1, 0), trackedPair(2, 0), trackedPair(3, 0)}, false);
    ASSERT_EQ(_JTDictionaryCapacity(*dictionary), 3u);
    ASSERT_EQ(dictionary->count(), 3u);
    Ref<Tracked> absent = Tracked::create(4, 0);
    EXPECT_EQ(dictionary->objectForKey(absent.get()), nullptr);
    EXPECT_EQ(trackedId(dictionary->objectForKey(Tracked::create(3, 0).get())), 1003);
}

TEST_F(JTDictionaryTest, ARepeatedKeyKeepsItsLastValueCountsOnceAndReleasesTheEarlierPair)
{
    Ref<JTDictionary> dictionary = makeDictionary(
        {{Tracked::create(1, 5), Tracked::create(10)}, trackedPair(2, 5), {Tracked::create(1, 5), Tracked::create(11)}},
        false);
    EXPECT_EQ(dictionary->count(), 2u);
    EXPECT_EQ(trackedId(dictionary->objectForKey(Tracked::create(1, 5).get())), 11);
    EXPECT_EQ(Tracked::live(), 4);  // the first key 1 and value 10 are gone
}

TEST_F(JTDictionaryTest, TheFactoryTakesTheReferencesOverWithoutRetainingThem)
{
    Ref<Tracked> key = Tracked::create(1, 9);
    Ref<Tracked> value = Tracked::create(2);
    Object* keys[] = {key.get()};
    JTSlot values[] = {JTSlot::fromObject(value.get())};
    std::uint64_t hashes[] = {9};
    Ref<JTDictionary> dictionary = _JTDictionaryCreate(keys, hashes, values, 1, false);
    EXPECT_EQ(key->refCount(), 1u);
    EXPECT_EQ(value->refCount(), 1u);
    (void)key.leak();  // the dictionary owns these references now
    (void)value.leak();
    dictionary = nullptr;
    EXPECT_EQ(Tracked::live(), 0);
}

TEST_F(JTDictionaryTest, AnEmptyTableHasNoSlotsAndItsFirstSetGrowsItToThree)
{
    Ref<JTDictionary> dictionary = makeDictionary({}, true);
    EXPECT_EQ(_JTDictionaryCapacity(*dictionary), 0u);
    EXPECT_EQ(dictionary->objectForKey(Tracked::create(1).get()), nullptr);
    dictionary->setObject(Tracked::create(101).get(), Tracked::create(1, 4).get());
    EXPECT_EQ(_JTDictionaryCapacity(*dictionary), 3u);
    EXPECT_EQ(trackedId(dictionary->objectForKey(Tracked::create(1, 4).get())), 101);
}

TEST_F(JTDictionaryTest, TheFourthSetGrowsTheTableToSevenEvenForAPresentKey)
{
    Ref<JTDictionary> dictionary = makeDictionary({trackedPair(1, 1), trackedPair(2, 2), trackedPair(3, 3)}, true);
    ASSERT_EQ(_JTDictionaryCapacity(*dictionary), 3u);
    dictionary->setObject(Tracked::create(99).get(), Tracked::create(2, 2).get());
    EXPECT_EQ(_JTDictionaryCapacity(*dictionary), 7u);
    EXPECT_EQ(dictionary->count(), 3u);
    EXPECT_EQ(trackedId(dictionary->objectForKey(Tracked::create(1, 1).get())), 1001);
    EXPECT_EQ(trackedId(dictionary->objectForKey(Tracked::create(2, 2).get())), 99);
    EXPECT_EQ(trackedId(dictionary->objectForKey(Tracked::create(3, 3).get())), 1003);
}

TEST_F(JTDictionaryTest, KeysComeOutInTableSlotOrderFromEveryWalk)
{
    // Capacity 7: homes 6, 0, 3 and 10 % 7 = 3, which collides into slot 4.
    Ref<JTDictionary> dictionary =
        makeDictionary({trackedPair(6, 6), trackedPair(0, 0), trackedPair(3, 3), trackedPair(10, 10)}, false);
    const std::vector<int> slotOrder = {0, 3, 10, 6};
    EXPECT_EQ(keyIdsInSlotOrder(*dictionary), slotOrder);

    Object* keys[4];
    Object* values[4];
    dictionary->getObjectsAndKeys(values, keys);
    std::vector<int> keyIds, valueIds;
    for (int i = 0; i < 4; ++i) {
        keyIds.push_back(trackedId(keys[i]));
        valueIds.push_back(trackedId(values[i]));
    }
    EXPECT_EQ(keyIds, slotOrder);
    EXPECT_EQ(valueIds, (std::vector<int>{1000, 1003, 1010, 1006}));

    Ref<foundation::Enumerator> enumerator = dictionary->keyEnumerator();
    EXPECT_STREQ(enumerator->className(), "JTDictionaryEnumerator");
    EXPECT_EQ(trackedId(enumerator->nextObject()), 0);
    Ref<foundation::Array> rest = enumerator->allObjects();
    ASSERT_EQ(rest->count(), 3u);
    EXPECT_EQ(trackedId(rest->objectAtIndex(0)), 3);
    EXPECT_EQ(trackedId(rest->objectAtIndex(2)), 6);
    EXPECT_EQ(enumerator->nextObject(), nullptr);
}

TEST_F(JTDictionaryTest, TheKeyEnumeratorKeepsItsDictionaryAlive)
{
    Ref<JTDictionary> dictionary = makeDictionary({trackedPair(1, 1)}, false);
    Ref<foundation::Enumerator> enumerator = dictionary->keyEnumerator();
    dictionary = nullptr;
    EXPECT_EQ(trackedId(enumerator->nextObject()), 1);
}

TEST_F(JTDictionaryTest, SetStoresACopyOfTheKey)
{
    Ref<JTDictionary> dictionary = makeDictionary({}, true);
    Ref<foundation::MutableArray> key = foundation::MutableArray::create();
    dictionary->setObject(Tracked::create(1).get(), key.get());
    key->addObject(Tracked::create(2).get());  // changing the caller's key changes nothing stored

    Object* storedKey = nullptr;
    dictionary->getObjectsAndKeys(nullptr, &storedKey);
    EXPECT_NE(storedKey, key.get());
    EXPECT_STREQ(storedKey->className(), "NSArray");
    EXPECT_EQ(trackedId(dictionary->objectForKey(foundation::Array::create().get())), 1);
}

TEST_F(JTDictionaryTest, RandomSetsAndRemovalsMatchAPlainMapAndLeaveTheTableWhole)
{
    // Few distinct hashes make long clusters that wrap around the table's
    // end, so removals from their middles are the common case.
    for (unsigned seed = 1; seed <= 60; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> keyId(0, 47);
        std::uniform_int_distribution<int> operation(0, 9);
        auto hashOfId = [](int id) { return static_cast<std::uint64_t>(id % 9) * 1'000'003u; };
        std::map<int, int> reference;

        std::vector<TrackedPair> initial;
        for (int i = 0; i < static_cast<int>(seed % 20); ++i) {
            int id = keyId(random);
            initial.push_back({Tracked::create(id, hashOfId(id)), Tracked::create(10000 + i)});
            reference[id] = 10000 + i;
        }
        Ref<JTDictionary> dictionary = makeDictionary(std::move(initial), true);

        for (int step = 0; step < 400; ++step) {
            int id = keyId(random);
            Ref<Tracked> key = Tracked::create(id, hashOfId(id));
            if (operation(random) < 6) {
                dictionary->setObject(Tracked::create(step).get(), key.get());
                reference[id] = step;
            } else {
                dictionary->removeObjectForKey(key.get());
                reference.erase(id);
            }
            ASSERT_EQ(dictionary->count(), reference.size()) << "seed " << seed << " step " << step;
            ASSERT_NO_FATAL_FAILURE(expectTableWhole(*dictionary)) << "seed " << seed << " step " << step;
            for (int probe = 0; probe <= 47; ++probe) {
                auto found = reference.find(probe);
                Object* value = dictionary->objectForKey(Tracked::create(probe, hashOfId(probe)).get());
                ASSERT_EQ(trackedId(value), found == reference.end() ? -1 : found->second)
                    << "seed " << seed << " step " << step << " key " << probe;
            }
        }
        dictionary = nullptr;
        ASSERT_EQ(Tracked::live(), 0) << "seed " << seed;
    }
}

TEST_F(JTDictionaryTest, StringKeysWorkThroughThePlatformDictionaryInterface)
{
    Ref<JTDictionary> dictionary = makeDictionary({{foundation::str("b"), Tracked::create(2)},
                                                      {foundation::str("a"), Tracked::create(1)}}, true);
    dictionary->setObject(Tracked::create(3).get(), "c");
    EXPECT_EQ(trackedId(dictionary->objectForKey("a")), 1);
    EXPECT_EQ(dictionary->description(), "{\n    a = T1;\n    b = T2;\n    c = T3;\n}");
    Ref<foundation::MutableDictionary> plain = dictionary->mutableCopy();
    EXPECT_TRUE(plain->isEqual(*dictionary));
    EXPECT_EQ(dictionary->allKeys()->count(), 3u);
}
