#pragma once

#include "foundation/objects/Object.h"

#include <optional>
#include <string>
#include <string_view>

namespace foundation {

// An immutable URL (the platform's NSURL), absolute ("https://host:6984/a")
// or relative ("a/b"). Made only from text that is a valid URL by the
// platform's rules: RFC 3986 characters only, "%" only as the start of a
// two-digit escape, "[" "]" only around an IPv6 host, at most one "#", a
// numeric port. A space, a line break, non-ASCII text or any of "<>\^`{|}
// makes the text invalid, and create() gives null.
//
//   Ref<URL> url = URL::create("http://example.org/site/zvk/a/x.dmg");
//   url->host();               // "example.org"
//   url->lastPathComponent();  // "x.dmg"
class URL final : public Object {
public:
    // Null for text that is not a valid URL (an empty text included).
    [[nodiscard]] static Ref<URL> create(std::string_view text);
    // A file URL for an absolute file-system path; the path is escaped.
    [[nodiscard]] static Ref<URL> fileURLWithPath(std::string_view absolutePath);

    const std::string& absoluteString() const noexcept { return text_; }
    // The components below are views into absoluteString(); an absent
    // component is empty.
    std::string_view scheme() const noexcept { return part(scheme_); }
    // Without the brackets of an IPv6 literal.
    std::string_view host() const noexcept { return part(host_); }
    std::optional<int> port() const noexcept { return port_; }
    // The path as written, still escaped.
    std::string_view escapedPath() const noexcept { return part(path_); }
    std::string_view query() const noexcept { return part(query_); }
    std::string_view fragment() const noexcept { return part(fragment_); }

    // The percent-decoded path, without a trailing "/" (but "/" for the root);
    // for a file URL, the file-system path.
    std::string path() const;
    bool isFileURL() const noexcept;
    // The last component of path() (see foundation::lastPathComponent).
    std::string lastPathComponent() const;

    const char* className() const override { return "NSURL"; }
    std::string description() const override { return text_; }
    bool isEqual(const Object& other) const override;
    std::uint64_t hash() const override;

private:
    struct Span {
        std::size_t offset = 0;
        std::size_t length = 0;
    };

    explicit URL(std::string text) : text_(std::move(text)) {}
    [[nodiscard]] bool parse();
    [[nodiscard]] bool parseAuthority(std::size_t begin, std::size_t end);
    std::string_view part(Span span) const noexcept { return std::string_view(text_).substr(span.offset, span.length); }

    std::string text_;
    Span scheme_;
    Span host_;
    Span path_;
    Span query_;
    Span fragment_;
    std::optional<int> port_;
};

// The platform's last path component of a path text: the part after the last
// "/", trailing slashes ignored; "/" for the root and "" for "".
//   "a/b/x.dmg" -> "x.dmg", "/tmp/" -> "tmp", "x.dmg" -> "x.dmg"
[[nodiscard]] std::string lastPathComponent(std::string_view path);

} // namespace foundation
