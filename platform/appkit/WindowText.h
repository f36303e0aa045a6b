#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace appkit {

class Button;
class TextField;
class Window;

// What a person is shown of a window, as text: its title, the lines of its
// text fields and its buttons with the keys that press them, all in view
// order. An editable field is one line, "[n] placeholder: text", numbered
// from 1 in view order (see editableFields). Hidden views and everything
// inside them are left out.
struct WindowText {
    struct Choice {
        std::string key;    // the key's name ("d", "Return", "Esc"); empty for none
        std::string title;
        friend bool operator==(const Choice&, const Choice&) = default;
    };

    std::string title;
    std::vector<std::string> lines;
    std::vector<Choice> choices;

    static WindowText of(const Window& window);
    friend bool operator==(const WindowText&, const WindowText&) = default;
};

// How a key equivalent is named to a person: "Return" for a carriage
// return, "Esc", "Tab" and "Space"; other keys as themselves.
std::string keyName(std::string_view keyEquivalent);

// The shown button of the window that a choice presses: its key equivalent
// exactly, else the key or its name regardless of ASCII case. Null if none.
Button* buttonForChoice(const Window& window, std::string_view choice);

// The shown button of the window with that title, or null.
Button* buttonWithTitle(const Window& window, std::string_view title);

// The shown editable fields of the window, in view order: field n of the
// window's text is element n - 1.
std::vector<TextField*> editableFields(const Window& window);

// Columns taken by UTF-8 text on a terminal, one per code point.
std::size_t displayWidth(std::string_view text);

} // namespace appkit
