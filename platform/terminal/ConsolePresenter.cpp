#include "terminal/ConsolePresenter.h"

#include "appkit/Button.h"
#include "appkit/Quoted.h"
#include "appkit/Window.h"
#include "foundation/objects/CharacterSet.h"

#include <algorithm>
#include <sys/ioctl.h>
#include <unistd.h>

namespace terminal {

using appkit::Button;
using appkit::displayWidth;
using appkit::inQuotes;
using appkit::Window;
using appkit::WindowText;
using foundation::Ref;
using foundation::trimmed;

namespace {

constexpr std::string_view escape = KeyReader::escapeKey;

bool isCloseChoice(std::string_view choice)
{
    constexpr std::string_view close = "close";
    auto sameLetter = [](char a, char b) { return a == b || (a >= 'A' && a <= 'Z' && a - 'A' + 'a' == b); };
    return choice == escape || std::equal(choice.begin(), choice.end(), close.begin(), close.end(), sameLetter);
}

// The first `width` code points of the text.
std::string_view prefixOfWidth(std::string_view text, std::size_t width)
{
    std::size_t seen = 0;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if ((static_cast<unsigned char>(text[index]) & 0xC0) != 0x80 && seen++ == width)
            return text.substr(0, index);
    }
    return text;
}

// Breaks a line into rows of at most `width` columns, at blanks where it can.
std::vector<std::string> wrapped(std::string_view line, std::size_t width)
{
    std::vector<std::string> rows;
    while (displayWidth(line) > width) {
        std::string_view row = prefixOfWidth(line, width);
        auto blank = line.substr(0, row.size() + 1).find_last_of(' ');
        if (blank != std::string_view::npos && blank > 0)
            row = line.substr(0, blank);
        rows.emplace_back(row);
        line.remove_prefix(row.size());
        if (!line.empty() && line.front() == ' ')
            line.remove_prefix(1);
    }
    rows.emplace_back(line);
    return rows;
}

std::string choicesLine(const WindowText& text, std::string_view closeKey)
{
    std::string line;
    auto add = [&line](std::string_view key, std::string_view title) {
        if (!line.empty())
            line += "  ";
        if (!key.empty())
            line.append("[").append(key).append("] ");
        line += title;
    };
    for (const auto& choice : text.choices)
        add(choice.key, choice.title);
    add(closeKey, "Close");
    return line;
}

// The window as a framed box of at most `columns` columns.
std::vector<std::string> frame(const WindowText& text, std::size_t columns)
{
    std::vector<std::string> content = text.lines;
    if (!content.empty())
        content.emplace_back();
    content.push_back(choicesLine(text, "Esc"));

    std::size_t inner = displayWidth(text.title) + 2;
    for (const auto& line : content)
        inner = std::max(inner, displayWidth(line));
    inner = std::min(inner, columns > 8 ? columns - 4 : std::size_t(4));

    std::string title(prefixOfWidth(text.title, inner - 2));
    std::vector<std::string> rows;
    rows.push_back(std::string("+- ").append(title).append(" ").append(inner - 1 - displayWidth(title), '-').append("+"));
    for (const auto& line : content) {
        for (const auto& row : wrapped(line, inner))
            rows.push_back(std::string("| ").append(row).append(inner - displayWidth(row), ' ').append(" |"));
    }
    rows.push_back(std::string("+").append(inner + 2, '-').append("+"));
    return rows;
}

std::size_t terminalColumns(int fd)
{
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

} // namespace

std::unique_ptr<ConsolePresenter> ConsolePresenter::onStandardStreams(appkit::PresenterKind kind)
{
    return std::make_unique<ConsolePresenter>(STDIN_FILENO, STDERR_FILENO,
                                               kind == appkit::PresenterKind::Lines ? Mode::Lines : Mode::Terminal);
}

ConsolePresenter::ConsolePresenter(int inputFd, int outputFd, Mode preferred)
    : outputFd_(outputFd)
    , mode_(preferred == Mode::Terminal && ::isatty(inputFd) && ::isatty(outputFd) ? Mode::Terminal : Mode::Lines)
    , terminalMode_(mode_ == Mode::Terminal ? std::optional<TerminalMode>(std::in_place, inputFd) : std::nullopt)
    , foreground_(inputFd, [this](bool foreground) { if (foreground) cameToForeground(); })
    , console_(inputFd, outputFd, consoleHandlers())
{
}

Console::Handlers ConsolePresenter::consoleHandlers()
{
    Console::Handlers handlers{[this](std::string_view line) { readLine(line); }, [this] { display(); }, {}, {}};
    if (mode_ == Mode::Terminal)
        handlers.keys = [this](std::string_view chunk) { readKeys(chunk); };
    return handlers;
}

ConsolePresenter::~ConsolePresenter()
{
    if (mode_ == Mode::Terminal)
        showInTerminal(nullptr);
}

void ConsolePresenter::windowDidOrderFront(Window& window)
{
    windows_.orderedFront(window);
    console_.requestDisplay();
}

void ConsolePresenter::windowNeedsDisplay(Window&)
{
    console_.requestDisplay();
}

void ConsolePresenter::display()
{
    console_.displayed();
    Ref<Window> window = windows_.frontVisible();
    std::optional<WindowText> text;
    if (window)
        text = WindowText::of(*window);
    if (window.get() == shownWindow_ && text == shownText_)
        return;
    if (mode_ == Mode::Terminal)
        showInTerminal(text ? &*text : nullptr);
    else
        showInLines(text ? &*text : nullptr);
    shownWindow_ = window.get();
    shownText_ = std::move(text);
}

void ConsolePresenter::showInTerminal(const WindowText* text)
{
    std::string output;
    if (drawnLines_)
        output = "\x1b[" + std::to_string(drawnLines_) + "A\r\x1b[J";
    drawnLines_ = 0;
    if (text) {
        for (const auto& row : frame(*text, terminalColumns(outputFd_))) {
            output += row + "\r\n";
            ++drawnLines_;
        }
    }
    console_.write(output);
}

void ConsolePresenter::showInLines(const WindowText* text)
{
    if (!text) {
        if (shownText_)
            console_.write("== window " + inQuotes(shownText_->title) + " hidden\n");
        return;
    }
    console_.write("== window " + inQuotes(text->title) + " shown\n" + indentedLines(text->lines)
                   + choicesLine(*text, "close") + "\n== end\n");
}

void ConsolePresenter::handleChoice(std::string_view choice)
{
    Ref<Window> window = windows_.frontVisible();
    if (!window) {
        if (mode_ == Mode::Lines)
            console_.ignore(choice, "no window is showing");
        return;
    }
    if (Ref<Button> button{buttonForChoice(*window, choice)}) {
        button->performClick();
        return;
    }
    if (isCloseChoice(choice)) {
        window->close();
        return;
    }
    // At a terminal a bell, as the platform beeps at a key that does nothing.
    if (mode_ == Mode::Terminal)
        console_.write("\a");
    else
        console_.ignore(choice, "no button of window " + inQuotes(window->title().utf8()) + " has that key");
}

void ConsolePresenter::readKeys(std::string_view chunk)
{
    keys_.feed(chunk);
    if (keys_.isEscapePending())
        escapeTimeout_.start(escapeDelay_);
    else
        escapeTimeout_.cancel();
}

// Back in the foreground after Ctrl-Z or a start with "&": the shell has
// written over the box, so it is drawn afresh below what is there now.
void ConsolePresenter::cameToForeground()
{
    if (!terminalMode_ || !terminalMode_->resume())
        return;
    drawnLines_ = 0;
    shownWindow_ = nullptr;
    shownText_.reset();
    console_.requestDisplay();
}

void ConsolePresenter::readLine(std::string_view line)
{
    if (auto choice = trimmed(line); !choice.empty())
        handleChoice(choice);
}

} // namespace terminal
