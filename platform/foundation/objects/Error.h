#pragma once

#include "foundation/objects/Dictionary.h"
#include "foundation/objects/String.h"

#include <string>
#include <string_view>

namespace foundation {

// User-info keys of the platform.
inline constexpr std::string_view LocalizedDescriptionKey = "NSLocalizedDescription";
inline constexpr std::string_view FilePathErrorKey = "NSFilePath";

// Bad input reported to the caller: a domain, a code and user info.
class Error final : public Object {
public:
    static Ref<Error> create(std::string_view domain, long code, Ref<Dictionary> userInfo = nullptr);
    // An error whose user info holds only a localized description.
    static Ref<Error> withDescription(std::string_view domain, long code, std::string_view message);

    const String& domain() const noexcept { return *domain_; }
    long code() const noexcept { return code_; }
    Dictionary* userInfo() const noexcept { return userInfo_.get(); }
    // The user info's description, or the platform's generic sentence.
    std::string localizedDescription() const;

    const char* className() const override { return "NSError"; }
    // Error Domain=D Code=C "description" UserInfo={key=value, …}
    std::string description() const override;
    bool isEqual(const Object& other) const override;

private:
    Error(Ref<String> domain, long code, Ref<Dictionary> userInfo) noexcept
        : Object(Kind::Error), domain_(std::move(domain)), code_(code), userInfo_(std::move(userInfo)) {}

    Ref<String> domain_;
    long code_;
    Ref<Dictionary> userInfo_;
};

// Swift's text of an optional error: "Optional(<description>)" or "nil".
std::string optionalDescription(const Error* error);

} // namespace foundation
