#pragma once

#include "foundation/objects/Dictionary.h"
#include "foundation/objects/URL.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace foundation {

// What a server answered, apart from the body.
class URLResponse : public Object {
public:
    URL* url() const noexcept { return url_.get(); }
    // The Content-Type without its parameters, lower case; empty when not given.
    const std::string& MIMEType() const noexcept { return MIMEType_; }
    // The Content-Length, or -1 when unknown.
    std::int64_t expectedContentLength() const noexcept { return expectedContentLength_; }

    const char* className() const override { return "NSURLResponse"; }

protected:
    explicit URLResponse(Ref<URL> url) : url_(std::move(url)) {}

    Ref<URL> url_;
    std::string MIMEType_;
    std::int64_t expectedContentLength_ = -1;
};

// The response of an HTTP server: status code and header fields.
class HTTPURLResponse final : public URLResponse {
public:
    using HeaderField = std::pair<std::string, std::string>;

    // Fields repeated under one name (in any case) are joined with ", ",
    // keeping the case of their first appearance.
    static Ref<HTTPURLResponse> create(Ref<URL> url, int statusCode, const std::vector<HeaderField>& fields);

    int statusCode() const noexcept { return statusCode_; }
    const std::vector<HeaderField>& headerFields() const noexcept { return fields_; }
    // Names compare without regard to case.
    std::optional<std::string> valueForHTTPHeaderField(std::string_view name) const;
    // The fields as a dictionary of strings (fields that are not UTF-8 are left out).
    Ref<Dictionary> allHeaderFields() const;

    const char* className() const override { return "NSHTTPURLResponse"; }
    // "<NSHTTPURLResponse: 0x…> { URL: … } { Status Code: 200, Headers {…} }"
    std::string description() const override;

private:
    HTTPURLResponse(Ref<URL> url, int statusCode) : URLResponse(std::move(url)), statusCode_(statusCode) {}

    int statusCode_;
    std::vector<HeaderField> fields_;
};

} // namespace foundation
