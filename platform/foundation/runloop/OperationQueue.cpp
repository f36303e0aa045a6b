#include "foundation/runloop/OperationQueue.h"

#include "foundation/objects/Exception.h"
#include "foundation/runloop/RunLoop.h"

#include <future>
#include <thread>

namespace foundation {

namespace {

thread_local OperationQueue* runningQueue = nullptr;

} // namespace

// The worker thread of a queue other than the main one: it runs its own
// run loop, so the queue's blocks are simply posts to that loop.
class OperationQueue::Worker {
public:
    explicit Worker(OperationQueue& queue)
    {
        std::promise<RunLoop*> started;
        auto loop = started.get_future();
        thread_ = std::thread([&queue, &started] {
            runningQueue = &queue;
            RunLoop& own = RunLoop::current();
            started.set_value(&own);
            own.run();
        });
        loop_ = loop.get();
    }

    ~Worker()
    {
        // Posted after every block already added, so those run first.
        RunLoop* loop = loop_;
        loop->post([loop] { loop->stop(); });
        thread_.join();
    }

    RunLoop* loop() const noexcept { return loop_; }
    std::thread::id threadId() const noexcept { return thread_.get_id(); }

private:
    std::thread thread_;
    RunLoop* loop_ = nullptr;
};

OperationQueue::OperationQueue(MainTag)
    : loop_(&RunLoop::main())
{
}

OperationQueue::OperationQueue()
    : worker_(std::make_unique<Worker>(*this))
{
    loop_ = worker_->loop();
}

OperationQueue::~OperationQueue() = default;

OperationQueue& OperationQueue::mainQueue()
{
    static OperationQueue* queue = new OperationQueue(MainTag{});
    return *queue;
}

OperationQueue& OperationQueue::background()
{
    // Never destroyed: completions may still be queued when the process ends.
    static OperationQueue* queue = new OperationQueue();
    return *queue;
}

OperationQueue* OperationQueue::currentQueue()
{
    return runningQueue;
}

bool OperationQueue::isMainQueue() const noexcept
{
    return !worker_;
}

void OperationQueue::addOperationWithBlock(std::function<void()> block)
{
    if (!block)
        raise(ExceptionName::InvalidArgument, "OperationQueue::addOperationWithBlock: no block");
    if (worker_) {
        loop_->post(std::move(block));
        return;
    }
    loop_->post([this, block = std::move(block)] {
        OperationQueue* outer = std::exchange(runningQueue, this);
        struct Restore {
            OperationQueue* outer;
            ~Restore() { runningQueue = outer; }
        } restore{outer};
        block();
    });
}

void OperationQueue::waitUntilAllOperationsAreFinished()
{
    bool onOwnThread = worker_ ? std::this_thread::get_id() == worker_->threadId() : RunLoop::isMainThread();
    if (onOwnThread)
        raise(ExceptionName::InternalInconsistency, "OperationQueue: waiting for the queue on its own thread would never end");
    std::promise<void> finished;
    loop_->post([&finished] { finished.set_value(); });
    finished.get_future().wait();
}

} // namespace foundation
