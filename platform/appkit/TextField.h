#pragma once

#include "appkit/AttributedString.h"
#include "appkit/View.h"

namespace appkit {

inline constexpr std::string_view ControlTextDidChangeNotification = "NSControlTextDidChangeNotification";

// A one-line text view. Its string and attributed values are two faces of
// one text: setting either replaces both. An editable field takes the
// person's edits through textDidChangeByUser, which tells the delegate
// (weak, as on the platform) by sending it controlTextDidChange:, by name,
// with a notification about the field; values set by the program tell no one.
class TextField final : public View {
public:
    static foundation::Ref<TextField> create();
    // The registered maker: View's attributes plus "stringValue",
    // "placeholderString" (strings) and "editable" (true or false).
    static foundation::Ref<TextField> initWithCoder(Coder& coder) { return View::initWithCoder<TextField>(coder); }

    foundation::String& stringValue() const noexcept { return value_->string(); }
    // A null string empties the field.
    void setStringValue(foundation::Ref<foundation::String> value);

    AttributedString& attributedStringValue() const noexcept { return *value_; }
    void setAttributedStringValue(foundation::Ref<AttributedString> value);

    bool isEditable() const noexcept { return editable_; }
    void setEditable(bool editable) noexcept { editable_ = editable; }

    // What an empty field shows in place of its text (the field's name, for
    // a form); empty for none.
    const std::string& placeholderString() const noexcept { return placeholder_; }
    void setPlaceholderString(std::string placeholder);

    foundation::Ref<foundation::Object> delegate() const { return delegate_.get(); }
    void setDelegate(foundation::Object* delegate) { delegate_ = delegate; }

    // The person has replaced the field's text: the value changes, then the
    // delegate hears controlTextDidChange: when it answers it. A field that
    // is not editable takes no edits and answers false.
    bool textDidChangeByUser(foundation::Ref<foundation::String> text);

    const char* className() const override { return "NSTextField"; }
    const foundation::OperationTable& operations() const override;

private:
    friend class View;
    TextField();
    explicit TextField(Coder& coder);

    foundation::Ref<AttributedString> value_;
    std::string placeholder_;
    foundation::WeakRef<foundation::Object> delegate_;
    bool editable_ = false;
};

} // namespace appkit
