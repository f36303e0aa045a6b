#pragma once

#include "foundation/objects/Data.h"
#include "foundation/objects/Error.h"
#include "foundation/objects/URL.h"
#include "foundation/url/URLRequest.h"
#include "foundation/url/URLResponse.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace foundation {

// Limits and places of a session's transfers.
struct URLSessionConfiguration {
    // Seconds to connect, and seconds without a byte received, before a
    // transfer fails as timed out (-1001).
    double timeoutIntervalForRequest = URLRequest::DefaultTimeoutInterval;
    // Seconds for a whole transfer.
    double timeoutIntervalForResource = 7 * 24 * 3600;
    // A data task's body is held in memory: a longer one fails the task
    // with DataLengthExceedsMaximum (-1103) instead of exhausting memory.
    std::uint64_t maximumResponseBytes = 64u << 20;
    // A download streams to its file; this bounds the file.
    std::uint64_t maximumDownloadBytes = std::uint64_t(16) << 30;
    // Where downloads are written; empty for $TMPDIR, or /tmp without it.
    std::string temporaryDirectory;
};

class URLSession;

// One transfer of a session, started by resume(). The task need not be
// kept: a started task lives until its completion has run.
class URLSessionTask : public Object {
public:
    // The first call starts the transfer; later calls do nothing.
    void resume();
    URLRequest* originalRequest() const noexcept { return request_.get(); }

    const char* className() const override { return "NSURLSessionTask"; }

protected:
    URLSessionTask(Ref<URLRequest> request, const URLSessionConfiguration& configuration)
        : request_(std::move(request)), configuration_(configuration) {}
    virtual void start() = 0;

    Ref<URLRequest> request_;
    URLSessionConfiguration configuration_;

private:
    std::atomic<bool> resumed_{false};
};

// Completion: the body, the response and an error. On a transport failure
// the error is set and there is no data; a reply with any status code (404
// too) is a success that delivers its body.
class URLSessionDataTask final : public URLSessionTask {
public:
    using Completion = std::function<void(Ref<Data> data, Ref<URLResponse> response, Ref<Error> error)>;

    const char* className() const override { return "NSURLSessionDataTask"; }

private:
    friend class URLSession;
    URLSessionDataTask(Ref<URLRequest> request, const URLSessionConfiguration& configuration, Completion completion)
        : URLSessionTask(std::move(request), configuration), completion_(std::move(completion)) {}
    void start() override;

    Completion completion_;
};

// Completion: the file URL of the downloaded body, the response and an
// error. The file is removed when the completion returns unless the
// completion has moved it away. On a transport failure there is no file.
class URLSessionDownloadTask final : public URLSessionTask {
public:
    using Completion = std::function<void(Ref<URL> location, Ref<URLResponse> response, Ref<Error> error)>;

    const char* className() const override { return "NSURLSessionDownloadTask"; }

private:
    friend class URLSession;
    URLSessionDownloadTask(Ref<URLRequest> request, const URLSessionConfiguration& configuration, Completion completion)
        : URLSessionTask(std::move(request), configuration), completion_(std::move(completion)) {}
    void start() override;

    Completion completion_;
};

// Makes data and download tasks whose completions run on the background
// operation queue, never on the main thread. Transfers run on libcurl in a
// worker thread; nothing blocks the caller. A task for a null URL completes
// with BadURL (-1000).
//
//   URLSession::sharedSession()->dataTaskWithURL(url, [](Ref<Data> data, Ref<URLResponse>, Ref<Error> error) {
//       ...  // on the background queue
//   })->resume();
class URLSession final : public Object {
public:
    // The process-wide session with the default configuration.
    static Ref<URLSession> sharedSession();
    static Ref<URLSession> create(const URLSessionConfiguration& configuration);

    const URLSessionConfiguration& configuration() const noexcept { return configuration_; }

    [[nodiscard]] Ref<URLSessionDataTask> dataTaskWithURL(Ref<URL> url, URLSessionDataTask::Completion completion);
    [[nodiscard]] Ref<URLSessionDataTask> dataTaskWithRequest(Ref<URLRequest> request, URLSessionDataTask::Completion completion);
    [[nodiscard]] Ref<URLSessionDownloadTask> downloadTaskWithURL(Ref<URL> url, URLSessionDownloadTask::Completion completion);

    const char* className() const override { return "NSURLSession"; }

private:
    explicit URLSession(const URLSessionConfiguration& configuration) : configuration_(configuration) {}

    URLSessionConfiguration configuration_;
};

} // namespace foundation
