#pragma once

#include "appkit/Window.h"
#include "foundation/objects/String.h"

#include <vector>

namespace appkit {

// A message with buttons, shown as a sheet on a window: a window of its own
// in front of the other (its title is the other's), holding the message,
// the informative text and the buttons, the first of which is the default
// (pressed with Return). Pressing a button takes the sheet away; the alert
// keeps itself alive while it is shown. A window holds one sheet at a time:
// beginning another sheet on it while one is shown does nothing, as the
// window's controls are blocked while its sheet is up. Main thread only.
class Alert final : public foundation::Object {
public:
    enum class Style { Warning = 0, Informational = 1, Critical = 2 };

    // The platform's alertWithMessageText:defaultButton:alternateButton:
    // otherButton:informativeTextWithFormat:. A null default title reads
    // "OK"; a null alternate or other title means no such button.
    static foundation::Ref<Alert> alertWithMessageText(foundation::Ref<foundation::String> messageText,
                                                       foundation::Ref<foundation::String> defaultButton,
                                                       foundation::Ref<foundation::String> alternateButton,
                                                       foundation::Ref<foundation::String> otherButton,
                                                       foundation::Ref<foundation::String> informativeText);
    ~Alert() override;

    foundation::String& messageText() const noexcept { return *messageText_; }
    foundation::String& informativeText() const noexcept { return *informativeText_; }
    const std::vector<foundation::Ref<foundation::String>>& buttonTitles() const noexcept { return buttonTitles_; }
    Style alertStyle() const noexcept { return style_; }
    void setAlertStyle(Style style) noexcept { style_ = style; }

    // Shows the sheet on `window`. The modal delegate is held weakly and
    // told nothing: callers that want the ending pass none.
    void beginSheetModalForWindow(Window& window, foundation::Object* modalDelegate);
    // The window the alert is shown on, while it is shown; null otherwise.
    foundation::Ref<Window> sheetParent() const { return parent_.get(); }
    // The sheet window itself.
    Window& window() const noexcept { return *sheet_; }
    foundation::Ref<foundation::Object> modalDelegate() const { return modalDelegate_.get(); }

    // The alert shown as a sheet on `window`, or null.
    static foundation::Ref<Alert> attachedSheet(const Window& window);

    // A button's action: ends the sheet.
    void buttonPressed(foundation::Object* sender);

    const char* className() const override { return "NSAlert"; }
    const foundation::OperationTable& operations() const override;

private:
    Alert(foundation::Ref<foundation::String> messageText, foundation::Ref<foundation::String> informativeText,
          std::vector<foundation::Ref<foundation::String>> buttonTitles);
    void endSheet();

    foundation::Ref<foundation::String> messageText_;
    foundation::Ref<foundation::String> informativeText_;
    std::vector<foundation::Ref<foundation::String>> buttonTitles_;
    Style style_ = Style::Warning;
    foundation::Ref<Window> sheet_;
    foundation::WeakRef<Window> parent_;
    foundation::WeakRef<foundation::Object> modalDelegate_;
};

} // namespace appkit
