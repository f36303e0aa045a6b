#include "CollectionHelpers.h"

#include "foundation/objects/FastEnumeration.h"

#include <random>

using namespace jotter;
using namespace testsupport;
using foundation::Object;
using foundation::Ref;

namespace {

using JTArrayTest = CollectionTest;

std::vector<int> elementIds(const foundation::Array& array)
{
    std::vector<int> ids;
    for (Object* element : foundation::FastEnumeration(array))
        ids.push_back(trackedId(element));
    return ids;
}

} // namespace

TEST_F(JTArrayTest, TheFactoryTakesTheReferencesOverWithoutRetainingThem)
{
    Ref<Tracked> element = Tracked::create(1);
    JTSlot elements[] = {JTSlot::fromObject(element.get())};
    Ref<JTArray> array = _JTArrayCreate(elements, 1, false);
    EXPECT_EQ(element->refCount(), 1u);
    (void)element.leak();  // the array owns this reference now
    EXPECT_EQ(array->count(), 1u);
    EXPECT_EQ(array->capacity(), 1u);
    array = nullptr;
    EXPECT_EQ(Tracked::live(), 0);
}

TEST_F(JTArrayTest, InsertionAtCountAppendsAndAnEmptyArrayGrowsBySixteenSlots)
{
    Ref<JTArray> array = makeArray({}, true);
    EXPECT_EQ(array->capacity(), 0u);
    array->insertObject(Tracked::create(1).get(), 0);
    array->insertObject(Tracked::create(2).get(), 1);
    array->insertObject(Tracked::create(0).get(), 0);
    EXPECT_EQ(array->capacity(), 16u);
    EXPECT_EQ(elementIds(*array), (std::vector<int>{0, 1, 2}));
}

TEST_F(JTArrayTest, RandomInsertionsRemovalsAndReplacementsMatchAPlainVector)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        std::vector<int> reference;
        std::vector<Ref<Object>> initial;
        for (int i = 0; i < static_cast<int>(seed % 7); ++i) {
            initial.push_back(Tracked::create(i));
            reference.push_back(i);
        }
        Ref<JTArray> array = makeArray(std::move(initial), true);
        for (int step = 100; step < 500; ++step) {
            int operation = static_cast<int>(random() % 4);
            if (reference.empty() || operation < 2) {
                std::size_t index = random() % (reference.size() + 1);
                array->insertObject(Tracked::create(step).get(), index);
                reference.insert(reference.begin() + static_cast<std::ptrdiff_t>(index), step);
            } else if (operation == 2) {
                std::size_t index = random() % reference.size();
                array->removeObjectAtIndex(index);
                reference.erase(reference.begin() + static_cast<std::ptrdiff_t>(index));
            } else {
                std::size_t index = random() % reference.size();
                array->replaceObjectAtIndex(index, Tracked::create(step).get());
                reference[index] = step;
            }
            ASSERT_EQ(elementIds(*array), reference) << "seed " << seed << " step " << step;
            ASSERT_EQ(Tracked::live(), static_cast<int>(reference.size())) << "seed " << seed << " step " << step;
        }
    }
}

TEST_F(JTArrayTest, PlatformArrayOperationsWorkThroughThePrimitives)
{
    Ref<JTArray> array = makeArray({Tracked::create(1), Tracked::create(2), Tracked::create(3)}, true);
    Ref<Tracked> two = Tracked::create(2);
    EXPECT_TRUE(array->containsObject(*two));
    Object* middle[2];
    array->getObjects(middle, {1, 2});
    EXPECT_EQ(trackedId(middle[0]), 2);
    EXPECT_EQ(trackedId(middle[1]), 3);
    EXPECT_EQ(array->description(), "(\n    T1,\n    T2,\n    T3\n)");
    EXPECT_TRUE(array->mutableCopy()->isEqual(*array));
    array->removeLastObject();
    array->addObject(Tracked::create(4).get());
    EXPECT_EQ(elementIds(*array), (std::vector<int>{1, 2, 4}));
    array->removeAllObjects();
    EXPECT_EQ(array->count(), 0u);
    EXPECT_EQ(Tracked::live(), 1);  // only `two`
}
