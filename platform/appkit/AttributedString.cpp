#include "appkit/AttributedString.h"

namespace appkit {

using foundation::Ref;
using foundation::String;

Ref<AttributedString> AttributedString::create(Ref<String> string)
{
    return Ref<AttributedString>::adopt(new AttributedString(string ? std::move(string) : Ref<String>(String::empty())));
}

bool AttributedString::isEqual(const foundation::Object& other) const
{
    auto* attributed = dynamic_cast<const AttributedString*>(&other);
    return attributed && attributed->string_->isEqualToString(*string_);
}

} // namespace appkit
