#include "foundation/url/URLSession.h"

#include "foundation/url/internal/DownloadFile.h"
#include "foundation/runloop/OperationQueue.h"
#include "foundation/url/internal/Transfer.h"
#include "foundation/url/internal/TransferEngine.h"
#include "foundation/url/URLError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace foundation {
namespace {

TransferLimits limitsFor(const URLSessionConfiguration& configuration, std::uint64_t maximumBodyBytes)
{
    TransferLimits limits;
    limits.connectTimeout = configuration.timeoutIntervalForRequest;
    limits.idleTimeout = configuration.timeoutIntervalForRequest;
    limits.totalTimeout = configuration.timeoutIntervalForResource;
    limits.maximumBodyBytes = maximumBodyBytes;
    return limits;
}

// Collects a data task's body in one malloc block that the resulting Data
// takes over, so the body is never copied.
class BodyBuffer {
public:
    BodyBuffer() = default;
    BodyBuffer(const BodyBuffer&) = delete;
    BodyBuffer& operator=(const BodyBuffer&) = delete;
    ~BodyBuffer() { std::free(bytes_); }

    [[nodiscard]] bool append(std::string_view chunk)
    {
        if (length_ + chunk.size() > capacity_) {
            std::size_t capacity = std::max<std::size_t>(capacity_ * 2, length_ + chunk.size());
            capacity = std::max<std::size_t>(capacity, 16 * 1024);
            auto* grown = static_cast<char*>(std::realloc(bytes_, capacity));
            if (!grown)
                return false;
            bytes_ = grown;
            capacity_ = capacity;
        }
        std::memcpy(bytes_ + length_, chunk.data(), chunk.size());
        length_ += chunk.size();
        return true;
    }

    Ref<Data> take()
    {
        if (!bytes_)
            return Data::create("", 0);
        Ref<Data> data = Data::adoptMallocBlock(std::exchange(bytes_, nullptr), length_);
        length_ = capacity_ = 0;
        return data;
    }

private:
    char* bytes_ = nullptr;
    std::size_t length_ = 0;
    std::size_t capacity_ = 0;
};

class DataTransfer final : public Transfer {
public:
    DataTransfer(Ref<URLRequest> request, const URLSessionConfiguration& configuration, URLSessionDataTask::Completion completion)
        : Transfer(std::move(request), limitsFor(configuration, configuration.maximumResponseBytes))
        , completion_(std::move(completion))
    {
    }

private:
    bool receive(std::string_view bytes) override
    {
        if (body_.append(bytes))
            return true;
        fail(URLErrorCode::DataLengthExceedsMaximum, "out of memory for the body");
        return false;
    }

    void complete(Ref<HTTPURLResponse> response, Ref<Error> error) override
    {
        Ref<Data> data = error ? nullptr : body_.take();
        OperationQueue::background().addOperationWithBlock(
            [completion = std::move(completion_), data, response, error] { completion(data, response, error); });
    }

    URLSessionDataTask::Completion completion_;
    BodyBuffer body_;
};

class DownloadTransfer final : public Transfer {
public:
    DownloadTransfer(Ref<URLRequest> request, const URLSessionConfiguration& configuration,
        std::shared_ptr<DownloadFile> file, URLSessionDownloadTask::Completion completion)
        : Transfer(std::move(request), limitsFor(configuration, configuration.maximumDownloadBytes))
        , file_(std::move(file))
        , completion_(std::move(completion))
    {
    }

private:
    bool receive(std::string_view bytes) override
    {
        if (file_->write(bytes))
            return true;
        fail(URLErrorCode::CannotWriteToFile, file_->path() + ": " + std::strerror(errno));
        return false;
    }

    void complete(Ref<HTTPURLResponse> response, Ref<Error> error) override
    {
        if (!file_->close() && !error)
            error = makeURLError(URLErrorCode::CannotWriteToFile, request().url(), file_->path() + ": " + std::strerror(errno));
        Ref<URL> location = error ? nullptr : URL::fileURLWithPath(file_->path());
        if (error)
            file_ = nullptr;
        // The block holds the only reference to the file, so the file goes
        // (unless moved away) the moment the completion has returned.
        OperationQueue::background().addOperationWithBlock(
            [completion = std::move(completion_), file = std::move(file_), location, response, error]() mutable {
                completion(location, response, error);
                file = nullptr;
            });
    }

    std::shared_ptr<DownloadFile> file_;
    URLSessionDownloadTask::Completion completion_;
};

} // namespace

void URLSessionTask::resume()
{
    if (resumed_.exchange(true))
        return;
    start();
}

void URLSessionDataTask::start()
{
    if (!request_ || !request_->url()) {
        OperationQueue::background().addOperationWithBlock([completion = std::move(completion_)] {
            completion(nullptr, nullptr, makeURLError(URLErrorCode::BadURL, nullptr));
        });
        return;
    }
    TransferEngine::shared().start(std::make_unique<DataTransfer>(request_, configuration_, std::move(completion_)));
}

void URLSessionDownloadTask::start()
{
    Ref<Error> error;
    std::shared_ptr<DownloadFile> file;
    if (!request_ || !request_->url()) {
        error = makeURLError(URLErrorCode::BadURL, nullptr);
    } else if (!(file = DownloadFile::create(configuration_.temporaryDirectory))) {
        error = makeURLError(URLErrorCode::CannotCreateFile, request_->url(), std::strerror(errno));
    }
    if (error) {
        OperationQueue::background().addOperationWithBlock(
            [completion = std::move(completion_), error] { completion(nullptr, nullptr, error); });
        return;
    }
    TransferEngine::shared().start(
        std::make_unique<DownloadTransfer>(request_, configuration_, std::move(file), std::move(completion_)));
}

Ref<URLSession> URLSession::sharedSession()
{
    // Touch the completion queue first so that it is set up before, and so
    // torn down after, anything the session starts.
    OperationQueue::background();
    static URLSession* shared = Ref<URLSession>::adopt(new URLSession(URLSessionConfiguration())).leak();
    return Ref(shared);
}

Ref<URLSession> URLSession::create(const URLSessionConfiguration& configuration)
{
    OperationQueue::background();
    return Ref<URLSession>::adopt(new URLSession(configuration));
}

Ref<URLSessionDataTask> URLSession::dataTaskWithURL(Ref<URL> url, URLSessionDataTask::Completion completion)
{
    return dataTaskWithRequest(url ? URLRequest::create(std::move(url)) : nullptr, std::move(completion));
}

Ref<URLSessionDataTask> URLSession::dataTaskWithRequest(Ref<URLRequest> request, URLSessionDataTask::Completion completion)
{
    Ref<URLRequest> copy = request ? static_ref_cast<URLRequest>(request->copy()) : nullptr;
    return Ref<URLSessionDataTask>::adopt(new URLSessionDataTask(std::move(copy), configuration_, std::move(completion)));
}

Ref<URLSessionDownloadTask> URLSession::downloadTaskWithURL(Ref<URL> url, URLSessionDownloadTask::Completion completion)
{
    Ref<URLRequest> request = url ? URLRequest::create(std::move(url)) : nullptr;
    return Ref<URLSessionDownloadTask>::adopt(new URLSessionDownloadTask(std::move(request), configuration_, std::move(completion)));
}

} // namespace foundation
