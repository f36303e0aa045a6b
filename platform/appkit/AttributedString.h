#pragma once

#include "foundation/objects/String.h"

namespace appkit {

// Text with display attributes. For now only the text itself is carried;
// a field shows it as plain text.
class AttributedString final : public foundation::Object {
public:
    static foundation::Ref<AttributedString> create(foundation::Ref<foundation::String> string);

    foundation::String& string() const noexcept { return *string_; }

    const char* className() const override { return "NSAttributedString"; }
    std::string description() const override { return std::string(string_->utf8()); }
    bool isEqual(const foundation::Object& other) const override;
    std::uint64_t hash() const override { return string_->hash(); }

private:
    explicit AttributedString(foundation::Ref<foundation::String> string) noexcept : string_(std::move(string)) {}

    foundation::Ref<foundation::String> string_;
};

} // namespace appkit
