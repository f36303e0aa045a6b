#include "appkit/TextField.h"

#include "appkit/MainThread.h"
#include "appkit/Notification.h"
#include "appkit/OperationArguments.h"

namespace appkit {

using foundation::Object;
using foundation::Ref;
using foundation::String;

TextField::TextField()
    : value_(AttributedString::create(nullptr))
{
}

TextField::TextField(Coder& coder)
    : View(coder)
    , value_(AttributedString::create(nullptr))
{
    if (auto value = coder.decodeStringForKey("stringValue"))
        value_ = AttributedString::create(foundation::str(*value));
    if (auto placeholder = coder.decodeStringForKey("placeholderString"))
        placeholder_ = *placeholder;
    editable_ = coder.decodeBoolForKey("editable");
}

Ref<TextField> TextField::create()
{
    return Ref<TextField>::adopt(new TextField);
}

void TextField::setStringValue(Ref<String> value)
{
    setAttributedStringValue(AttributedString::create(std::move(value)));
}

void TextField::setAttributedStringValue(Ref<AttributedString> value)
{
    requireMainThread();
    value_ = value ? std::move(value) : AttributedString::create(nullptr);
    setNeedsDisplay();
}

void TextField::setPlaceholderString(std::string placeholder)
{
    placeholder_ = std::move(placeholder);
    setNeedsDisplay();
}

bool TextField::textDidChangeByUser(Ref<String> text)
{
    if (!editable_)
        return false;
    // The delegate may let go of the window, and so of this field.
    Ref<TextField> protect(this);
    setStringValue(std::move(text));
    Ref<Object> delegate = delegate_.get();
    if (delegate && delegate->respondsToSelector("controlTextDidChange:"))
        delegate->perform("controlTextDidChange:", Notification::create(ControlTextDidChangeNotification, this).get());
    return true;
}

namespace {
TextField& field(Object& object) { return static_cast<TextField&>(object); }
}

const foundation::OperationTable& TextField::operations() const
{
    static const foundation::OperationTable table(&View::operations(), {
        {"stringValue", [](Object& self, Object*) -> Ref<Object> {
            return Ref(&field(self).stringValue());
        }},
        arguments::setter<"setStringValue:", arguments::Text, &TextField::setStringValue>(),
        {"attributedStringValue", [](Object& self, Object*) -> Ref<Object> {
            return Ref(&field(self).attributedStringValue());
        }},
        arguments::setter<"setAttributedStringValue:", arguments::Instance<AttributedString, "an attributed string">,
                          &TextField::setAttributedStringValue>(),
        {"delegate", [](Object& self, Object*) -> Ref<Object> {
            return field(self).delegate();
        }},
        arguments::setter<"setDelegate:", arguments::AnyObject, &TextField::setDelegate>(),
    });
    return table;
}

} // namespace appkit
