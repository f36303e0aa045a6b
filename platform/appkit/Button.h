#pragma once

#include "appkit/View.h"
#include "foundation/objects/String.h"

#include <string>

namespace appkit {

// A push button: a title, a key equivalent (the key that presses it, for
// the presenter), and a target and action name. The target is weak, as on
// the platform: the description's object graph keeps it alive.
class Button final : public View {
public:
    static foundation::Ref<Button> create();
    // The registered maker: View's attributes plus "title" and "keyEquivalent" (strings).
    static foundation::Ref<Button> initWithCoder(Coder& coder) { return View::initWithCoder<Button>(coder); }

    foundation::String& title() const noexcept { return *title_; }
    void setTitle(foundation::Ref<foundation::String> title);

    foundation::String& keyEquivalent() const noexcept { return *keyEquivalent_; }
    void setKeyEquivalent(foundation::Ref<foundation::String> key);

    foundation::Ref<foundation::Object> target() const { return target_.get(); }
    void setTarget(foundation::Object* target) { target_ = target; }

    // The operation name sent to the target ("downloadButtonTapped:"), or empty.
    const std::string& action() const noexcept { return action_; }
    void setAction(std::string action) { action_ = std::move(action); }

    // Sends the action by name to the target, with this button as the
    // sender. Without a target, an action, or a target that answers it,
    // nothing happens (the platform only beeps).
    void performClick();

    const char* className() const override { return "NSButton"; }
    const foundation::OperationTable& operations() const override;

private:
    friend class View;
    Button();
    explicit Button(Coder& coder);

    foundation::Ref<foundation::String> title_;
    foundation::Ref<foundation::String> keyEquivalent_;
    foundation::WeakRef<foundation::Object> target_;
    std::string action_;
};

} // namespace appkit
