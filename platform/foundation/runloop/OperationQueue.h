#pragma once

#include <functional>
#include <memory>

namespace foundation {

class RunLoop;

// A serial queue of blocks: the main queue drains on the main run loop; any
// other queue owns one worker thread with its own run loop. Blocks run one
// at a time in the order added.
class OperationQueue {
public:
    static OperationQueue& mainQueue();
    // The shared background queue (URL session completions run here).
    static OperationQueue& background();
    // The queue whose block is running on this thread, or null.
    static OperationQueue* currentQueue();

    // A new serial queue with its own worker thread. Destruction runs the
    // blocks already added, then joins the thread.
    OperationQueue();
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    // Thread-safe.
    void addOperationWithBlock(std::function<void()> block);
    // Blocks the caller until every block added so far has run. Raises an
    // internal-inconsistency exception on the queue's own thread, where it
    // could never return.
    void waitUntilAllOperationsAreFinished();
    bool isMainQueue() const noexcept;

private:
    struct MainTag {};
    explicit OperationQueue(MainTag);

    class Worker;
    RunLoop* loop_;
    std::unique_ptr<Worker> worker_;
};

} // namespace foundation
