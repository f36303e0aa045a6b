#include "foundation/objects/URL.h"

#include "foundation/objects/Exception.h"
#include "foundation/objects/PercentEscaping.h"

#include <charconv>
#include <functional>

namespace foundation {
namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// RFC 3986's unreserved and reserved characters; "%" is checked apart.
bool isURLCharacter(char c)
{
    return isAlpha(c) || isDigit(c) || std::string_view("-._~:/?#[]@!$&'()*+,;=").find(c) != std::string_view::npos;
}

// Every byte is a URL character or the start of a two-digit escape.
bool hasOnlyURLCharacters(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2]))
                return false;
            i += 2;
        } else if (!isURLCharacter(c)) {
            return false;
        }
    }
    return true;
}

bool isScheme(std::string_view text)
{
    if (text.empty() || !isAlpha(text[0]))
        return false;
    for (char c : text) {
        if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

bool hasBracket(std::string_view text)
{
    return text.find_first_of("[]") != std::string_view::npos;
}

} // namespace

Ref<URL> URL::create(std::string_view text)
{
    if (text.empty() || !hasOnlyURLCharacters(text))
        return nullptr;
    Ref<URL> url = Ref<URL>::adopt(new URL(std::string(text)));
    if (!url->parse())
        return nullptr;
    return url;
}

Ref<URL> URL::fileURLWithPath(std::string_view absolutePath)
{
    FOUNDATION_PARAMETER_ASSERT(!absolutePath.empty() && absolutePath.front() == '/');
    return create("file://" + percentEscapedPath(absolutePath));
}

bool URL::parse()
{
    std::string_view text = text_;
    std::size_t position = 0;

    std::size_t colon = text.find_first_of(":/?#");
    if (colon != std::string_view::npos && text[colon] == ':' && isScheme(text.substr(0, colon))) {
        scheme_ = {0, colon};
        position = colon + 1;
    }

    if (text.substr(position, 2) == "//") {
        std::size_t begin = position + 2;
        std::size_t end = text.find_first_of("/?#", begin);
        if (end == std::string_view::npos)
            end = text.size();
        if (!parseAuthority(begin, end))
            return false;
        position = end;
    }

    std::size_t pathEnd = text.find_first_of("?#", position);
    if (pathEnd == std::string_view::npos)
        pathEnd = text.size();
    path_ = {position, pathEnd - position};
    position = pathEnd;

    if (position < text.size() && text[position] == '?') {
        std::size_t queryEnd = text.find('#', position);
        if (queryEnd == std::string_view::npos)
            queryEnd = text.size();
        query_ = {position + 1, queryEnd - position - 1};
        position = queryEnd;
    }
    if (position < text.size()) {  // at the "#"
        fragment_ = {position + 1, text.size() - position - 1};
        if (fragment().find('#') != std::string_view::npos)
            return false;
    }
    return !hasBracket(escapedPath()) && !hasBracket(query()) && !hasBracket(fragment());
}

bool URL::parseAuthority(std::size_t begin, std::size_t end)
{
    std::string_view authority = std::string_view(text_).substr(begin, end - begin);
    std::size_t at = authority.rfind('@');
    std::size_t hostStart = 0;
    if (at != std::string_view::npos) {
        if (hasBracket(authority.substr(0, at)))
            return false;
        hostStart = at + 1;
    }

    std::string_view rest = authority.substr(hostStart);
    std::size_t portColon;
    if (!rest.empty() && rest.front() == '[') {
        std::size_t close = rest.find(']');
        if (close == std::string_view::npos || hasBracket(rest.substr(1, close - 1)))
            return false;
        host_ = {begin + hostStart + 1, close - 1};
        std::size_t after = close + 1;
        if (after < rest.size() && rest[after] != ':')
            return false;
        portColon = after < rest.size() ? after : std::string_view::npos;
    } else {
        portColon = rest.find(':');
        std::size_t hostLength = portColon == std::string_view::npos ? rest.size() : portColon;
        if (hasBracket(rest.substr(0, hostLength)))
            return false;
        host_ = {begin + hostStart, hostLength};
    }

    if (portColon == std::string_view::npos)
        return true;
    std::string_view digits = rest.substr(portColon + 1);
    if (digits.empty())
        return true;  // "host:" names no port
    int port = 0;
    auto [end_, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (error != std::errc() || end_ != digits.data() + digits.size() || port > 65535)
        return false;
    port_ = port;
    return true;
}

std::string URL::path() const
{
    // The text was checked for malformed escapes when the URL was made.
    std::string decoded = percentDecoded(escapedPath()).value_or(std::string());
    while (decoded.size() > 1 && decoded.back() == '/')
        decoded.pop_back();
    return decoded;
}

bool URL::isFileURL() const noexcept
{
    std::string_view name = scheme();
    return name.size() == 4 && (name[0] | 0x20) == 'f' && (name[1] | 0x20) == 'i' && (name[2] | 0x20) == 'l'
        && (name[3] | 0x20) == 'e';
}

std::string URL::lastPathComponent() const
{
    return foundation::lastPathComponent(path());
}

bool URL::isEqual(const Object& other) const
{
    if (this == &other)
        return true;
    auto* url = dynamic_cast<const URL*>(&other);
    return url && url->text_ == text_;
}

std::uint64_t URL::hash() const
{
    return std::hash<std::string>()(text_);
}

std::string lastPathComponent(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    if (path == "/")
        return "/";
    std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace foundation
