#include "foundation/url/URLRequest.h"

#include "foundation/objects/Format.h"

#include <strings.h>

namespace foundation {
namespace {

bool sameFieldName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool isSafeFieldName(std::string_view name)
{
    if (name.empty())
        return false;
    for (unsigned char c : name) {
        if (c <= ' ' || c >= 0x7F || c == ':')
            return false;
    }
    return true;
}

bool isSafeFieldValue(std::string_view value)
{
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace

Ref<URLRequest> URLRequest::create(Ref<URL> url)
{
    return Ref<URLRequest>::adopt(new URLRequest(std::move(url)));
}

URLRequest::URLRequest(const URLRequest& other)
    : Object()
    , url_(other.url_)
    , method_(other.method_)
    , headers_(other.headers_)
    , body_(other.body_)
    , timeoutInterval_(other.timeoutInterval_)
{
}

std::optional<std::string> URLRequest::valueForHTTPHeaderField(std::string_view name) const
{
    for (const HeaderField& field : headers_) {
        if (sameFieldName(field.first, name))
            return field.second;
    }
    return std::nullopt;
}

URLRequest::HeaderField* URLRequest::findField(std::string_view name)
{
    for (HeaderField& field : headers_) {
        if (sameFieldName(field.first, name))
            return &field;
    }
    return nullptr;
}

Ref<MutableURLRequest> URLRequest::mutableCopy() const
{
    return Ref<MutableURLRequest>::adopt(new MutableURLRequest(*this));
}

Ref<Object> URLRequest::copy() const
{
    return Ref<Object>(const_cast<URLRequest*>(this));
}

Ref<Object> URLRequest::immutableCopy() const
{
    return Ref<Object>::adopt(new URLRequest(*this));
}

std::string URLRequest::description() const
{
    return plainDescription(*this) + " { URL: " + (url_ ? url_->absoluteString() : std::string("(null)")) + " }";
}

Ref<MutableURLRequest> MutableURLRequest::create(Ref<URL> url)
{
    return Ref<MutableURLRequest>::adopt(new MutableURLRequest(std::move(url)));
}

void MutableURLRequest::setHTTPMethod(std::string_view method)
{
    if (isSafeFieldName(method))
        method_ = method;
}

void MutableURLRequest::addValue(std::string_view value, std::string_view field)
{
    if (!isSafeFieldName(field) || !isSafeFieldValue(value))
        return;
    if (HeaderField* existing = findField(field)) {
        existing->second.append(",").append(value);
        return;
    }
    headers_.emplace_back(field, value);
}

void MutableURLRequest::setValue(std::string_view value, std::string_view field)
{
    if (!isSafeFieldName(field) || !isSafeFieldValue(value))
        return;
    if (HeaderField* existing = findField(field)) {
        existing->second = value;
        return;
    }
    headers_.emplace_back(field, value);
}

} // namespace foundation
