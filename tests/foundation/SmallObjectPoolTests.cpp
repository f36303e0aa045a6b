#include "foundation/objects/Number.h"
#include "foundation/objects/SmallObjectPool.h"
#include "foundation/objects/String.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace foundation;

// Lengths on both sides of every size class boundary and of the largest
// pooled size: each string keeps exactly its own bytes.
TEST(SmallObjectPool, StringsOfEveryLengthAroundThePooledSizesKeepTheirBytes)
{
    std::vector<Ref<String>> strings;
    for (std::size_t length = 0; length <= 300; ++length)
        strings.push_back(str(std::string(length, static_cast<char>('a' + length % 26))));
    for (std::size_t length = 0; length <= 300; ++length) {
        ASSERT_EQ(strings[length]->byteLength(), length);
        EXPECT_EQ(strings[length]->utf8(), std::string(length, static_cast<char>('a' + length % 26)));
        EXPECT_EQ(strings[length]->c_str()[length], '\0');
    }
}

// Blocks freed by one thread and taken by another must not be handed out
// twice: a consumer releases what a producer made while the producer keeps
// making more, and every value read back is the one written.
TEST(SmallObjectPool, ObjectsReleasedOnAnotherThreadAreReusedIntact)
{
    constexpr int Rounds = 200;
    constexpr int PerRound = 500;
    std::vector<std::vector<Ref<Object>>> batches(Rounds);
    std::atomic<int> ready{0};
    int mismatches = 0;
    std::thread consumer([&] {
        for (int round = 0; round < Rounds; ++round) {
            while (ready.load(std::memory_order_acquire) <= round)
                std::this_thread::yield();
            for (int i = 0; i < PerRound; ++i) {
                auto& object = batches[round][i];
                bool same = i % 2 ? static_cast<Number&>(*object).int64Value() == round * PerRound + i
                                  : static_cast<String&>(*object).utf8() == "value " + std::to_string(i);
                mismatches += same ? 0 : 1;
            }
            batches[round].clear();
        }
    });
    for (int round = 0; round < Rounds; ++round) {
        std::vector<Ref<Object>> batch;
        for (int i = 0; i < PerRound; ++i) {
            if (i % 2)
                batch.push_back(Number::withSigned(round * PerRound + i));
            else
                batch.push_back(str("value " + std::to_string(i)));
        }
        batches[round] = std::move(batch);
        ready.store(round + 1, std::memory_order_release);
    }
    consumer.join();
    EXPECT_EQ(mismatches, 0);
}

// A thread that ends gives its free blocks back; objects it made stay valid
// after it is gone and can be released on the thread that outlives it.
TEST(SmallObjectPool, ObjectsOutliveTheThreadThatMadeThem)
{
    std::vector<Ref<Number>> numbers;
    std::thread maker([&] {
        std::vector<Ref<Number>> scratch;
        for (int i = 0; i < 1000; ++i)
            scratch.push_back(Number::withDouble(i + 0.5));
        scratch.clear();  // freed blocks wait in this thread's lists as it ends
        for (int i = 0; i < 1000; ++i)
            numbers.push_back(Number::withSigned(i));
    });
    maker.join();
    std::vector<Ref<Number>> after;
    for (int i = 0; i < 2000; ++i)
        after.push_back(Number::withSigned(-i));
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(numbers[i]->int64Value(), i);
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(after[i]->int64Value(), -i);
}

// Objects made one after another after a scattered free lie one after
// another in memory, as in a fresh process: the walk of a tree made then
// reads ascending addresses.
TEST(SmallObjectPool, ObjectsMadeAfterAScatteredFreeLieInOrder)
{
    if (smallObjectPool::Bypassed)
        GTEST_SKIP() << "this build takes every block from the global operator new";
    std::vector<Ref<Number>> first;
    for (int i = 0; i < 4000; ++i)
        first.push_back(Number::withSigned(i));
    std::shuffle(first.begin(), first.end(), std::mt19937(7));
    first.clear();
    std::vector<std::uintptr_t> addresses;
    std::vector<Ref<Object>> second;
    for (int i = 0; i < 4000; ++i) {
        second.push_back(i % 2 ? Ref<Object>(Number::withDouble(i)) : Ref<Object>(str("s" + std::to_string(i))));
        addresses.push_back(reinterpret_cast<std::uintptr_t>(second.back().get()));
    }
    int ascending = 0;
    for (std::size_t i = 1; i < addresses.size(); ++i)
        ascending += addresses[i] > addresses[i - 1];
    EXPECT_GE(ascending, 3990);
}

// A chunk is reused only when all its blocks are free: one survivor keeps
// every later block out of its page.
TEST(SmallObjectPool, AChunkWithOneLiveBlockIsNeverHandedOutAgain)
{
    if (smallObjectPool::Bypassed)
        GTEST_SKIP() << "this build takes every block from the global operator new";
    constexpr std::uintptr_t ChunkBytes = 4096;
    std::vector<Ref<Number>> first;
    for (int i = 0; i < 4000; ++i)
        first.push_back(Number::withSigned(i));
    Ref<Number> survivor = first[100];
    const std::uintptr_t survivorChunk = reinterpret_cast<std::uintptr_t>(survivor.get()) & ~(ChunkBytes - 1);
    first.clear();
    std::vector<Ref<Number>> second;
    int inTheSurvivorsChunk = 0;
    for (int i = 0; i < 20000; ++i) {
        second.push_back(Number::withSigned(i + 1000000));
        inTheSurvivorsChunk += (reinterpret_cast<std::uintptr_t>(second.back().get()) & ~(ChunkBytes - 1)) == survivorChunk;
    }
    EXPECT_EQ(inTheSurvivorsChunk, 0);
    EXPECT_EQ(survivor->int64Value(), 100);
}
