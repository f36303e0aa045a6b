#pragma once

#include "appkit/AttributedString.h"
#include "appkit/View.h"

namespace appkit {

// A one-line text view. Its string and attributed values are two faces of
// one text: setting either replaces both.
class TextField final : public View {
public:
    static foundation::Ref<TextField> create();
    // The registered maker: View's attributes plus "stringValue" (string).
    static foundation::Ref<TextField> initWithCoder(Coder& coder) { return View::initWithCoder<TextField>(coder); }

    foundation::String& stringValue() const noexcept { return value_->string(); }
    // A null string empties the field.
    void setStringValue(foundation::Ref<foundation::String> value);

    AttributedString& attributedStringValue() const noexcept { return *value_; }
    void setAttributedStringValue(foundation::Ref<AttributedString> value);

    const char* className() const override { return "NSTextField"; }
    const foundation::OperationTable& operations() const override;

private:
    friend class View;
    TextField();
    explicit TextField(Coder& coder);

    foundation::Ref<AttributedString> value_;
};

} // namespace appkit
