#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

typedef void CURLM;
typedef void CURL;

namespace foundation {

class Transfer;

// Runs every transfer of the process on one libcurl multi handle in one
// worker thread, so that no transfer blocks the thread that starts it.
// Transfers end on the worker thread (Transfer::finish), which is where
// URLSession and URLConnection hand their results on to the completion
// queue or the starting thread's run loop.
class TransferEngine {
public:
    // The engine lives until the process ends: transfers may still be
    // finishing while static objects are being destroyed.
    static TransferEngine& shared();

    // Thread-safe. The engine owns the transfer until it has finished.
    void start(std::unique_ptr<Transfer> transfer);

    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;

private:
    TransferEngine();
    ~TransferEngine() = delete;

    void run();
    void adoptStarted();
    void finishCompleted();

    CURLM* multi_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Transfer>> started_;  // guarded by mutex_
    std::map<CURL*, std::unique_ptr<Transfer>> running_;  // worker thread only
};

} // namespace foundation
