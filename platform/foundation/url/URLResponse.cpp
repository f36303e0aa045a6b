#include "foundation/url/URLResponse.h"

#include "foundation/objects/String.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <strings.h>

namespace foundation {
namespace {

bool sameFieldName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string MIMETypeOf(std::string_view contentType)
{
    contentType = contentType.substr(0, contentType.find(';'));
    while (!contentType.empty() && contentType.back() == ' ')
        contentType.remove_suffix(1);
    std::string type(contentType);
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
    return type;
}

std::int64_t lengthOf(std::string_view contentLength)
{
    std::int64_t length = -1;
    auto [end, error] = std::from_chars(contentLength.data(), contentLength.data() + contentLength.size(), length);
    if (error != std::errc() || end != contentLength.data() + contentLength.size() || length < 0)
        return -1;
    return length;
}

} // namespace

Ref<HTTPURLResponse> HTTPURLResponse::create(Ref<URL> url, int statusCode, const std::vector<HeaderField>& fields)
{
    Ref<HTTPURLResponse> response = Ref<HTTPURLResponse>::adopt(new HTTPURLResponse(std::move(url), statusCode));
    for (const HeaderField& field : fields) {
        auto existing = std::find_if(response->fields_.begin(), response->fields_.end(),
            [&](const HeaderField& known) { return sameFieldName(known.first, field.first); });
        if (existing == response->fields_.end())
            response->fields_.push_back(field);
        else
            existing->second.append(", ").append(field.second);
    }
    if (auto type = response->valueForHTTPHeaderField("Content-Type"))
        response->MIMEType_ = MIMETypeOf(*type);
    if (auto length = response->valueForHTTPHeaderField("Content-Length"))
        response->expectedContentLength_ = lengthOf(*length);
    return response;
}

std::optional<std::string> HTTPURLResponse::valueForHTTPHeaderField(std::string_view name) const
{
    for (const HeaderField& field : fields_) {
        if (sameFieldName(field.first, name))
            return field.second;
    }
    return std::nullopt;
}

Ref<Dictionary> HTTPURLResponse::allHeaderFields() const
{
    Ref<MutableDictionary> dictionary = MutableDictionary::create();
    for (const HeaderField& field : fields_) {
        Ref<String> name = String::create(field.first);
        Ref<String> value = String::create(field.second);
        if (name && value)
            dictionary->setObject(value.get(), name.get());
    }
    return dictionary;
}

std::string HTTPURLResponse::description() const
{
    return plainDescription(*this) + " { URL: " + (url_ ? url_->absoluteString() : std::string("(null)"))
        + " } { Status Code: " + std::to_string(statusCode_) + ", Headers " + allHeaderFields()->description() + " }";
}

} // namespace foundation
