#include "foundation/objects/Exception.h"
#include "foundation/runloop/OperationQueue.h"
#include "foundation/runloop/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using foundation::OperationQueue;
using foundation::RunLoop;

namespace {

TEST(OperationQueue, MainQueueRunsBlocksFromAnyThreadOnTheMainThread)
{
    bool ran = false;
    std::thread producer([&] {
        OperationQueue::mainQueue().addOperationWithBlock([&] {
            EXPECT_TRUE(RunLoop::isMainThread());
            EXPECT_EQ(OperationQueue::currentQueue(), &OperationQueue::mainQueue());
            ran = true;
        });
    });
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return ran; }, 10));
    producer.join();
    EXPECT_EQ(OperationQueue::currentQueue(), nullptr);
}

TEST(OperationQueue, BackgroundQueueRunsBlocksOffTheMainThreadOneAtATimeInOrder)
{
    OperationQueue& background = OperationQueue::background();
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> running{0};
    for (int i = 0; i < 50; ++i)
        background.addOperationWithBlock([&, i] {
            EXPECT_EQ(++running, 1);
            EXPECT_FALSE(RunLoop::isMainThread());
            EXPECT_EQ(OperationQueue::currentQueue(), &background);
            std::lock_guard lock(mutex);
            order.push_back(i);
            --running;
        });
    background.waitUntilAllOperationsAreFinished();
    std::lock_guard lock(mutex);
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(OperationQueue, WaitingOnTheQueuesOwnThreadRaisesInsteadOfHanging)
{
    EXPECT_THROW(OperationQueue::mainQueue().waitUntilAllOperationsAreFinished(), foundation::Exception);
    std::atomic<bool> raised{false};
    OperationQueue queue;
    queue.addOperationWithBlock([&] {
        try {
            queue.waitUntilAllOperationsAreFinished();
        } catch (const foundation::Exception&) {
            raised = true;
        }
    });
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(raised);
}

TEST(OperationQueue, AnEndingQueueRunsWhatItHas)
{
    std::atomic<int> ran{0};
    {
        OperationQueue queue;
        for (int i = 0; i < 20; ++i)
            queue.addOperationWithBlock([&] { ++ran; });
    }
    EXPECT_EQ(ran, 20);
}

} // namespace
