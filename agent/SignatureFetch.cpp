#include "agent/SignatureFetch.h"

#include "foundation/url/URLError.h"
#include "foundation/url/URLSession.h"

namespace corvane {

using foundation::Ref;

namespace {

// A session of its own, whose transfers stop at the longest signature file
// that is read at all.
foundation::URLSession& signatureSession()
{
    static foundation::URLSession* session = [] {
        foundation::URLSessionConfiguration configuration;
        configuration.maximumResponseBytes = SignatureFile::maximumBytes;
        return foundation::URLSession::create(configuration).leak();
    }();
    return *session;
}

FetchedSignature readReply(Ref<foundation::Data> body, foundation::URLResponse* response, Ref<foundation::Error> error)
{
    if (error && error->code() == foundation::URLErrorCode::DataLengthExceedsMaximum)
        return "the signature file is longer than " + std::to_string(SignatureFile::maximumBytes) + " bytes";
    if (error)
        return error;
    auto* http = dynamic_cast<foundation::HTTPURLResponse*>(response);
    if (http && http->statusCode() != 200)
        return "there is no signature file (the server answered " + std::to_string(http->statusCode()) + ")";
    std::variant<SignatureFile, std::string> parsed = parseSignatureFile(body ? body->view() : std::string_view());
    if (auto* signature = std::get_if<SignatureFile>(&parsed))
        return std::move(*signature);
    return std::get<std::string>(std::move(parsed));
}

} // namespace

void fetchSignature(const std::string& fileAddress, std::function<void(FetchedSignature)> completion)
{
    Ref<foundation::URL> url = foundation::URL::create(fileAddress + ".minisig");
    auto handler = [completion = std::move(completion)](Ref<foundation::Data> body, Ref<foundation::URLResponse> response,
                                                        Ref<foundation::Error> error) {
        completion(readReply(std::move(body), response.get(), std::move(error)));
    };
    signatureSession().dataTaskWithURL(url, std::move(handler))->resume();
}

} // namespace corvane
