#include "foundation/url/internal/TransferEngine.h"

#include "foundation/url/internal/Transfer.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <thread>

namespace foundation {

TransferEngine& TransferEngine::shared()
{
    static TransferEngine* engine = new TransferEngine;
    return *engine;
}

TransferEngine::TransferEngine()
{
    // The transfer thread is never joined and may be mid-handshake when the
    // process exits; OpenSSL's own exit handler would free its state under
    // it. Initialising first, without that handler, makes libcurl's later
    // initialisation a no-op in this respect.
    OPENSSL_init_ssl(OPENSSL_INIT_NO_ATEXIT, nullptr);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    multi_ = curl_multi_init();
    std::thread([this] { run(); }).detach();
}

void TransferEngine::start(std::unique_ptr<Transfer> transfer)
{
    {
        std::lock_guard lock(mutex_);
        started_.push_back(std::move(transfer));
    }
    curl_multi_wakeup(multi_);
}

void TransferEngine::run()
{
    for (;;) {
        adoptStarted();
        int stillRunning = 0;
        curl_multi_perform(multi_, &stillRunning);
        finishCompleted();
        // Wakes for socket activity, a libcurl timer, or start()'s wake-up.
        curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
    }
}

void TransferEngine::adoptStarted()
{
    std::vector<std::unique_ptr<Transfer>> started;
    {
        std::lock_guard lock(mutex_);
        started.swap(started_);
    }
    for (std::unique_ptr<Transfer>& transfer : started) {
        // A transfer that cannot start (no handle, or an option it requires
        // was refused) ends here, unsent, through the usual completion.
        CURL* handle = transfer->handle();
        if (!transfer->canStart() || curl_multi_add_handle(multi_, handle) != CURLM_OK) {
            transfer->finish(CURLE_FAILED_INIT);
            continue;
        }
        running_.emplace(handle, std::move(transfer));
    }
}

void TransferEngine::finishCompleted()
{
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* handle = message->easy_handle;
        CURLcode result = message->data.result;  // the message is invalid once the handle is removed
        curl_multi_remove_handle(multi_, handle);
        auto entry = running_.find(handle);
        if (entry == running_.end())
            continue;
        std::unique_ptr<Transfer> transfer = std::move(entry->second);
        running_.erase(entry);
        transfer->finish(result);
    }
}

} // namespace foundation
