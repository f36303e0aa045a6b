#include "appkit/WindowText.h"

#include "appkit/Button.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"

#include "foundation/system/PrintableText.h"

#include <algorithm>
#include <functional>

namespace appkit {

namespace {

// Visits the shown views of a hierarchy depth first, a view before its subviews.
void forEachShownView(const View& view, const std::function<void(const View&)>& visit)
{
    if (view.isHidden())
        return;
    visit(view);
    for (const auto& subview : view.subviews())
        forEachShownView(*subview, visit);
}

// Text shown in a window may come from the network: see printableText.
void appendLines(std::vector<std::string>& lines, std::string_view text)
{
    while (!text.empty()) {
        auto end = text.find('\n');
        lines.push_back(foundation::printableText(text.substr(0, end)));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

std::string lowercased(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

} // namespace

WindowText WindowText::of(const Window& window)
{
    WindowText text;
    text.title = window.title().utf8();
    std::size_t editable = 0;
    forEachShownView(*window.contentView(), [&text, &editable](const View& view) {
        auto* field = dynamic_cast<const TextField*>(&view);
        if (field && field->isEditable()) {
            // One line whatever the text holds (a line break shows as U+FFFD),
            // so that the field numbers stay put.
            text.lines.push_back(foundation::printableText("[" + std::to_string(++editable) + "] " + field->placeholderString() + ": "
                                           + std::string(field->stringValue().utf8())));
        } else if (field)
            appendLines(text.lines, field->stringValue().utf8());
        else if (auto* button = dynamic_cast<const Button*>(&view))
            text.choices.push_back({keyName(button->keyEquivalent().utf8()), std::string(button->title().utf8())});
    });
    return text;
}

std::string keyName(std::string_view keyEquivalent)
{
    if (keyEquivalent == "\r")
        return "Return";
    if (keyEquivalent == "\x1b")
        return "Esc";
    if (keyEquivalent == "\t")
        return "Tab";
    if (keyEquivalent == " ")
        return "Space";
    return std::string(keyEquivalent);
}

Button* buttonForChoice(const Window& window, std::string_view choice)
{
    if (choice.empty())
        return nullptr;
    std::vector<Button*> buttons;
    forEachShownView(*window.contentView(), [&buttons](const View& view) {
        if (auto* button = dynamic_cast<const Button*>(&view); button && button->keyEquivalent().byteLength())
            buttons.push_back(const_cast<Button*>(button));
    });
    for (Button* button : buttons) {
        if (button->keyEquivalent().utf8() == choice)
            return button;
    }
    std::string wanted = lowercased(choice);
    for (Button* button : buttons) {
        std::string_view key = button->keyEquivalent().utf8();
        if (lowercased(key) == wanted || lowercased(keyName(key)) == wanted)
            return button;
    }
    return nullptr;
}

Button* buttonWithTitle(const Window& window, std::string_view title)
{
    Button* found = nullptr;
    forEachShownView(*window.contentView(), [&found, title](const View& view) {
        auto* button = dynamic_cast<const Button*>(&view);
        if (!found && button && button->title().utf8() == title)
            found = const_cast<Button*>(button);
    });
    return found;
}

std::vector<TextField*> editableFields(const Window& window)
{
    std::vector<TextField*> fields;
    forEachShownView(*window.contentView(), [&fields](const View& view) {
        if (auto* field = dynamic_cast<const TextField*>(&view); field && field->isEditable())
            fields.push_back(const_cast<TextField*>(field));
    });
    return fields;
}

std::size_t displayWidth(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(),
                                                  [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace appkit
