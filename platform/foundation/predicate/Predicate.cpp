#include "foundation/predicate/Predicate.h"

#include "foundation/objects/Exception.h"
#include "foundation/objects/Format.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace foundation {

struct Predicate::Compiled {
    std::unique_ptr<icu::RegexPattern> pattern;
};

Predicate::Predicate(std::string pattern, std::unique_ptr<Compiled> compiled)
    : pattern_(std::move(pattern)), compiled_(std::move(compiled))
{
}

Predicate::~Predicate() = default;

Ref<Predicate> Predicate::selfMatches(std::string_view pattern)
{
    UErrorCode status = U_ZERO_ERROR;
    UParseError where{};
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size())));
    auto compiled = std::make_unique<Compiled>();
    compiled->pattern.reset(icu::RegexPattern::compile(text, 0, where, status));
    if (U_FAILURE(status) || !compiled->pattern) {
        raise(ExceptionName::InvalidArgument,
              format("Can't do regex matching, reason: Can't open pattern %s (pattern %s)", std::string(u_errorName(status)),
                     std::string(pattern)));
    }
    return Ref<Predicate>::adopt(new Predicate(std::string(pattern), std::move(compiled)));
}

bool Predicate::evaluateWithObject(const Object* object) const
{
    if (!object || !object->isString())
        return false;
    std::string_view text = static_cast<const String*>(object)->utf8();
    icu::UnicodeString input = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(compiled_->pattern->matcher(input, status));
    if (U_FAILURE(status))
        return false;
    bool matches = matcher->matches(status);
    return U_SUCCESS(status) && matches;
}

std::string Predicate::description() const
{
    std::string quoted = "SELF MATCHES \"";
    for (char c : pattern_) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace foundation
