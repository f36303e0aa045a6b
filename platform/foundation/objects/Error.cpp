#include "foundation/objects/Error.h"

#include "foundation/objects/Format.h"

namespace foundation {

Ref<Error> Error::create(std::string_view domain, long code, Ref<Dictionary> userInfo)
{
    Ref<String> domainString = String::create(domain);
    return Ref<Error>::adopt(new Error(domainString ? domainString : Ref<String>(String::empty()), code, std::move(userInfo)));
}

Ref<Error> Error::withDescription(std::string_view domain, long code, std::string_view message)
{
    Ref<String> text = String::create(message);
    Ref<String> key = str(LocalizedDescriptionKey);
    return create(domain, code, Dictionary::create({{key.get(), text ? text.get() : String::empty()}}));
}

std::string Error::localizedDescription() const
{
    if (userInfo_) {
        if (Object* text = userInfo_->objectForKey(LocalizedDescriptionKey))
            return text->description();
    }
    return format("The operation couldn’t be completed. (%@ error %ld.)", domain_, code_);
}

std::string Error::description() const
{
    std::string text = format("Error Domain=%@ Code=%ld \"%s\"", domain_, code_, localizedDescription());
    if (!userInfo_ || userInfo_->count() == 0)
        return text;
    text += " UserInfo={";
    bool first = true;
    for (Object* key : FastEnumeration(*userInfo_)) {
        if (!first)
            text += ", ";
        first = false;
        text += key->description() + "=" + userInfo_->objectForKey(key)->description();
    }
    return text + "}";
}

bool Error::isEqual(const Object& other) const
{
    if (!other.isError())
        return false;
    const auto& error = static_cast<const Error&>(other);
    return error.code_ == code_ && equal(error.domain_.get(), domain_.get())
        && equal(error.userInfo_.get(), userInfo_.get());
}

std::string optionalDescription(const Error* error)
{
    return error ? "Optional(" + error->description() + ")" : "nil";
}

} // namespace foundation
