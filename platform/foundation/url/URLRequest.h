#pragma once

#include "foundation/objects/Data.h"
#include "foundation/objects/URL.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace foundation {

class MutableURLRequest;

// What to ask of a server: URL, method, header fields, body and time-out.
// Immutable; URLConnection and URLSession work on an immutable copy, so a
// request changed after it was handed over does not change the transfer.
class URLRequest : public Object {
public:
    using HeaderField = std::pair<std::string, std::string>;

    static constexpr double DefaultTimeoutInterval = 60;

    static Ref<URLRequest> create(Ref<URL> url);

    URL* url() const noexcept { return url_.get(); }
    const std::string& HTTPMethod() const noexcept { return method_; }
    // In the order first added; a name added twice holds the values joined by ",".
    const std::vector<HeaderField>& allHTTPHeaderFields() const noexcept { return headers_; }
    // Names compare without regard to case.
    std::optional<std::string> valueForHTTPHeaderField(std::string_view name) const;
    Data* HTTPBody() const noexcept { return body_.get(); }
    // Seconds without progress (connecting, or waiting for bytes) after which
    // the transfer fails as timed out.
    double timeoutInterval() const noexcept { return timeoutInterval_; }

    Ref<MutableURLRequest> mutableCopy() const;

    const char* className() const override { return "NSURLRequest"; }
    // "<NSURLRequest: 0x…> { URL: … }"
    std::string description() const override;
    Ref<Object> copy() const override;

protected:
    explicit URLRequest(Ref<URL> url) : url_(std::move(url)) {}
    URLRequest(const URLRequest& other);

    HeaderField* findField(std::string_view name);
    Ref<Object> immutableCopy() const;

    Ref<URL> url_;
    std::string method_ = "GET";
    std::vector<HeaderField> headers_;
    Ref<Data> body_;
    double timeoutInterval_ = DefaultTimeoutInterval;
};

// A request being put together.
class MutableURLRequest final : public URLRequest {
public:
    static Ref<MutableURLRequest> create(Ref<URL> url);

    void setURL(Ref<URL> url) { url_ = std::move(url); }
    void setHTTPMethod(std::string_view method);
    // Appends to a field of the same name with ","; adds the field otherwise.
    // A name or value with a line break or NUL, or a name with ":" or
    // white space, could forge further header lines and is ignored.
    void addValue(std::string_view value, std::string_view field);
    // Replaces the field's value (same rules as addValue).
    void setValue(std::string_view value, std::string_view field);
    void setHTTPBody(Ref<Data> body) { body_ = std::move(body); }
    void setTimeoutInterval(double seconds) { timeoutInterval_ = seconds; }

    const char* className() const override { return "NSMutableURLRequest"; }
    Ref<Object> copy() const override { return immutableCopy(); }

private:
    friend class URLRequest;
    explicit MutableURLRequest(Ref<URL> url) : URLRequest(std::move(url)) {}
    explicit MutableURLRequest(const URLRequest& other) : URLRequest(other) {}
};

} // namespace foundation
