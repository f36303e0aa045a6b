#include "appkit/Button.h"

#include "appkit/MainThread.h"
#include "appkit/OperationArguments.h"

namespace appkit {

using foundation::Object;
using foundation::Ref;
using foundation::String;

Button::Button()
    : title_(foundation::str("Button"))
    , keyEquivalent_(String::empty())
{
}

Button::Button(Coder& coder)
    : View(coder)
    , title_(foundation::str("Button"))
    , keyEquivalent_(String::empty())
{
    if (auto title = coder.decodeStringForKey("title"))
        title_ = foundation::str(*title);
    if (auto key = coder.decodeStringForKey("keyEquivalent"))
        keyEquivalent_ = foundation::str(*key);
}

Ref<Button> Button::create()
{
    return Ref<Button>::adopt(new Button);
}

void Button::setTitle(Ref<String> title)
{
    requireMainThread();
    title_ = title ? std::move(title) : Ref<String>(String::empty());
    setNeedsDisplay();
}

void Button::setKeyEquivalent(Ref<String> key)
{
    requireMainThread();
    keyEquivalent_ = key ? std::move(key) : Ref<String>(String::empty());
    setNeedsDisplay();
}

void Button::performClick()
{
    Ref<Object> target = target_.get();
    if (!target || action_.empty() || !target->respondsToSelector(action_))
        return;
    // The action may close the window and let go of this button.
    Ref<Button> protect(this);
    target->perform(action_, this);
}

namespace {
Button& button(Object& object) { return static_cast<Button&>(object); }
}

const foundation::OperationTable& Button::operations() const
{
    static const foundation::OperationTable table(&View::operations(), {
        {"title", [](Object& self, Object*) -> Ref<Object> {
            return Ref(&button(self).title());
        }},
        arguments::setter<"setTitle:", arguments::Text, &Button::setTitle>(),
        {"keyEquivalent", [](Object& self, Object*) -> Ref<Object> {
            return Ref(&button(self).keyEquivalent());
        }},
        arguments::setter<"setKeyEquivalent:", arguments::Text, &Button::setKeyEquivalent>(),
        {"target", [](Object& self, Object*) -> Ref<Object> {
            return button(self).target();
        }},
        arguments::setter<"setTarget:", arguments::AnyObject, &Button::setTarget>(),
        {"action", [](Object& self, Object*) -> Ref<Object> {
            const std::string& action = button(self).action();
            return action.empty() ? nullptr : foundation::str(action);
        }},
        arguments::setter<"setAction:", arguments::TextUTF8, &Button::setAction>(),
        {"performClick:", [](Object& self, Object*) -> Ref<Object> {
            button(self).performClick();
            return nullptr;
        }},
    });
    return table;
}

} // namespace appkit
