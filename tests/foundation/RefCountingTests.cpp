#include "foundation/objects/Array.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace foundation;

namespace {

// Counts live instances so a test can see every object freed exactly once.
class Tracked final : public Object {
public:
    static inline int live = 0;
    Tracked() { ++live; }
    ~Tracked() override { --live; }
};

} // namespace

TEST(RefCounting, AdoptCopyMoveAndAssignKeepCountsExact)
{
    {
        Ref<Tracked> first = Ref<Tracked>::adopt(new Tracked);
        EXPECT_EQ(first->refCount(), 1u);
        Ref<Tracked> copy = first;
        EXPECT_EQ(first->refCount(), 2u);
        Ref<Tracked> moved = std::move(copy);
        EXPECT_EQ(copy, nullptr);
        EXPECT_EQ(first->refCount(), 2u);
        moved = Ref<Tracked>::adopt(new Tracked);
        EXPECT_EQ(first->refCount(), 1u);
        EXPECT_EQ(Tracked::live, 2);
        moved = moved;  // self-assignment must not free
        EXPECT_EQ(moved->refCount(), 1u);
    }
    EXPECT_EQ(Tracked::live, 0);
}

TEST(RefCounting, CollectionsHoldEachInsertion)
{
    {
        Ref<Tracked> first = Ref<Tracked>::adopt(new Tracked);
        Ref<MutableArray> array = MutableArray::create();
        array->addObject(first.get());
        array->addObject(first.get());
        EXPECT_EQ(first->refCount(), 3u);
        array->removeObjectAtIndex(0);
        EXPECT_EQ(first->refCount(), 2u);
    }
    EXPECT_EQ(Tracked::live, 0);
}

TEST(RefCounting, SharedSingletonsSurviveAnyNumberOfReleases)
{
    for (int i = 0; i < 10; ++i)
        Ref<Number> yes(Number::trueValue());
    EXPECT_TRUE(Number::trueValue()->boolValue());
}

TEST(RefCounting, ConcurrentRetainReleaseFromManyThreadsFreesOnce)
{
    Ref<Tracked> shared = Ref<Tracked>::adopt(new Tracked);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([object = shared] {
            for (int i = 0; i < 100000; ++i) {
                Ref<Tracked> copy = object;
                Ref<Tracked> another = copy;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(shared->refCount(), 1u);
    shared = nullptr;
    EXPECT_EQ(Tracked::live, 0);
}

TEST(WeakReferences, ReadNullOnceTheObjectIsGone)
{
    Ref<Tracked> object = Ref<Tracked>::adopt(new Tracked);
    WeakRef<Tracked> weak(object);
    WeakRef<Tracked> copy = weak;
    EXPECT_EQ(weak.get(), object);
    EXPECT_EQ(object->refCount(), 1u);  // a weak reference does not keep it alive
    object = nullptr;
    EXPECT_EQ(Tracked::live, 0);
    EXPECT_EQ(copy.get(), nullptr);
}

TEST(WeakReferences, ReadNullAfterAnUpgradeRacedTheLastRelease)
{
    Ref<Tracked> object;
    WeakRef<Tracked> weak;
    for (int round = 0; round < 200; ++round) {
        object = Ref<Tracked>::adopt(new Tracked);
        weak = object;
        std::thread reader([&weak] {
            for (int i = 0; i < 50; ++i)
                (void)weak.get();
        });
        object = nullptr;
        reader.join();
        EXPECT_EQ(weak.get(), nullptr);
    }
    EXPECT_EQ(Tracked::live, 0);
}
