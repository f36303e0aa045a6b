#include "appkit/Alert.h"

#include "appkit/Button.h"
#include "appkit/TextField.h"

#include <algorithm>

namespace appkit {

using foundation::Object;
using foundation::Ref;
using foundation::String;

namespace {

// The alerts shown as sheets, each kept alive here until it ends.
std::vector<Ref<Alert>>& shownSheets()
{
    static std::vector<Ref<Alert>> sheets;
    return sheets;
}

Ref<TextField> label(Ref<String> text)
{
    Ref<TextField> field = TextField::create();
    field->setStringValue(std::move(text));
    return field;
}

} // namespace

Alert::Alert(Ref<String> messageText, Ref<String> informativeText, std::vector<Ref<String>> buttonTitles)
    : messageText_(std::move(messageText))
    , informativeText_(std::move(informativeText))
    , buttonTitles_(std::move(buttonTitles))
    , sheet_(Window::create())
{
}

Alert::~Alert() = default;

Ref<Alert> Alert::alertWithMessageText(Ref<String> messageText, Ref<String> defaultButton, Ref<String> alternateButton,
                                       Ref<String> otherButton, Ref<String> informativeText)
{
    std::vector<Ref<String>> titles{defaultButton ? defaultButton : foundation::str("OK")};
    if (alternateButton)
        titles.push_back(alternateButton);
    if (otherButton)
        titles.push_back(otherButton);
    return Ref<Alert>::adopt(new Alert(messageText ? messageText : Ref<String>(String::empty()),
                                       informativeText ? informativeText : Ref<String>(String::empty()),
                                       std::move(titles)));
}

Ref<Alert> Alert::attachedSheet(const Window& window)
{
    for (const auto& alert : shownSheets()) {
        if (alert->parent_.get().get() == &window)
            return alert;
    }
    return nullptr;
}

void Alert::beginSheetModalForWindow(Window& window, Object* modalDelegate)
{
    if (attachedSheet(window) || parent_.get())
        return;
    parent_ = &window;
    modalDelegate_ = modalDelegate;
    sheet_->setTitle(Ref<String>(&window.title()));
    View& content = *sheet_->contentView();
    while (!content.subviews().empty())
        content.subviews().back()->removeFromSuperview();
    content.addSubview(label(messageText_));
    if (informativeText_->length())
        content.addSubview(label(informativeText_));
    for (std::size_t index = 0; index < buttonTitles_.size(); ++index) {
        Ref<Button> button = Button::create();
        button->setTitle(buttonTitles_[index]);
        if (index == 0)
            button->setKeyEquivalent(foundation::str("\r"));
        button->setTarget(this);
        button->setAction("buttonPressed:");
        content.addSubview(button);
    }
    shownSheets().emplace_back(this);
    sheet_->makeKeyAndOrderFront(nullptr);
}

void Alert::buttonPressed(Object*)
{
    endSheet();
}

void Alert::endSheet()
{
    Ref<Alert> protect(this);
    std::erase(shownSheets(), protect);
    parent_ = foundation::WeakRef<Window>();
    sheet_->orderOut(nullptr);
}

const foundation::OperationTable& Alert::operations() const
{
    static const foundation::OperationTable table(&Object::operations(), {
        {"buttonPressed:", [](Object& self, Object* sender) -> Ref<Object> {
            static_cast<Alert&>(self).buttonPressed(sender);
            return nullptr;
        }},
    });
    return table;
}

} // namespace appkit
