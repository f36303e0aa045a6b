#include "installer/InstallerConsole.h"

#include "appkit/Alert.h"
#include "appkit/Button.h"
#include "appkit/Quoted.h"
#include "appkit/TextField.h"
#include "appkit/WindowText.h"

#include <charconv>

namespace installer {

using appkit::inQuotes;
using foundation::Ref;

namespace {

std::string textBlock(const appkit::WindowText& text)
{
    std::string block = terminal::indentedLines(text.lines);
    if (!text.choices.empty()) {
        block += "  buttons:";
        for (const auto& choice : text.choices)
            block += " [" + choice.title + "]";
        block += "\n";
    }
    return block;
}

} // namespace

InstallerConsole::InstallerConsole(PaneSequence& sequence, int inputFd, int outputFd,
                                   std::function<void(foundation::ExitStatus)> quit)
    : sequence_(sequence)
    , quit_(std::move(quit))
    , console_(inputFd, outputFd,
               {[this](std::string_view line) { handleLine(line); }, [this] { display(); }, [this] { quit_(foundation::ExitStatus::Failure); }, {}})
{
}

InstallerConsole::~InstallerConsole() = default;

// Whatever the person typed after quitting is not theirs to act on any
// more: not even the rest of a chunk already read.
void InstallerConsole::finish(foundation::ExitStatus status)
{
    console_.stopReading();
    quit_(status);
}

void InstallerConsole::windowDidOrderFront(appkit::Window&)
{
    scheduleDisplay();
}

void InstallerConsole::windowNeedsDisplay(appkit::Window&)
{
    scheduleDisplay();
}

void InstallerConsole::scheduleDisplay()
{
    console_.requestDisplay();
}

std::string InstallerConsole::paneBlock() const
{
    appkit::Window& window = sequence_.window();
    if (Ref<appkit::Alert> sheet = appkit::Alert::attachedSheet(window))
        return "== sheet on " + inQuotes(window.title().utf8()) + "\n" + textBlock(appkit::WindowText::of(sheet->window())) + "== end\n";
    std::string block = "== pane " + inQuotes(window.title().utf8()) + " (" + std::to_string(sequence_.currentIndex() + 1)
        + " of " + std::to_string(sequence_.count()) + ")\n";
    block += textBlock(appkit::WindowText::of(window));
    block += sequence_.isBackEnabled() ? "  [Back] [" : "  [";
    block += sequence_.forwardTitle();
    return block + (sequence_.isNextEnabled() ? "]" : " (disabled)]") + "\n== end\n";
}

void InstallerConsole::display()
{
    console_.displayed();
    std::string block = paneBlock();
    if (block == shownBlock_)
        return;
    console_.write(block);
    shownBlock_ = std::move(block);
}

void InstallerConsole::handleLine(std::string_view line)
{
    std::string_view command = line.substr(0, line.find(' '));
    std::string_view rest = command.size() < line.size() ? line.substr(command.size() + 1) : std::string_view();
    bool sheetShown = appkit::Alert::attachedSheet(sequence_.window()) != nullptr;
    if (command.empty())
        return;
    // What the command answers follows what the person saw before it.
    if (console_.isDisplayPending())
        display();
    if (command == "quit")
        finish(foundation::ExitStatus::Failure);
    else if (command == "press")
        press(rest, line);
    else if (sheetShown && (command == "set" || command == "next" || command == "back"))
        console_.ignore(line, "a sheet is up: press one of its buttons first");
    else if (command == "set")
        setField(rest, line);
    else if (command == "next")
        move(sequence_.goNext(), line);
    else if (command == "back")
        move(sequence_.goBack(), line);
    else
        console_.ignore(line, "unknown command (set <n> <text>, next, back, press <title>, quit)");
    display();
}

void InstallerConsole::setField(std::string_view arguments, std::string_view line)
{
    std::string_view number = arguments.substr(0, arguments.find(' '));
    std::string_view text = number.size() < arguments.size() ? arguments.substr(number.size() + 1) : std::string_view();
    std::size_t index = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), index);
    std::vector<appkit::TextField*> fields = appkit::editableFields(sequence_.window());
    if (error != std::errc() || end != number.data() + number.size() || index == 0 || index > fields.size()) {
        console_.ignore(line, fields.empty() ? "this pane has no fields" : "no field has that number (1 to " + std::to_string(fields.size()) + ")");
        return;
    }
    Ref<foundation::String> value = foundation::String::create(text);
    if (!value) {
        console_.ignore(line, "the text is not UTF-8");
        return;
    }
    Ref<appkit::TextField>(fields[index - 1])->textDidChangeByUser(value);
}

void InstallerConsole::press(std::string_view title, std::string_view line)
{
    Ref<appkit::Alert> sheet = appkit::Alert::attachedSheet(sequence_.window());
    appkit::Window& window = sheet ? sheet->window() : sequence_.window();
    Ref<appkit::Button> button(appkit::buttonWithTitle(window, title));
    if (!button) {
        console_.ignore(line, sheet ? "the sheet has no button of that title" : "the pane has no button of that title");
        return;
    }
    button->performClick();
}

void InstallerConsole::move(PaneSequence::Move result, std::string_view line)
{
    switch (result) {
    case PaneSequence::Move::Moved:
    case PaneSequence::Move::Stayed:
        return;
    case PaneSequence::Move::NextDisabled:
        console_.ignore(line, "Next is disabled");
        return;
    case PaneSequence::Move::NoPane:
        console_.ignore(line, "this is the first pane");
        return;
    case PaneSequence::Move::Finished:
        finish(foundation::ExitStatus::Success);
        return;
    }
}

} // namespace installer
