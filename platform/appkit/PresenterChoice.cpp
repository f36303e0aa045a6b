#include "appkit/PresenterChoice.h"

#include <cstdlib>
#include <unistd.h>

namespace appkit {

namespace {

constexpr std::string_view optionPrefix = "--presenter=";

bool isPresenterOption(std::string_view argument)
{
    return argument.starts_with(optionPrefix);
}

std::optional<PresenterKind> kindNamed(std::string_view name)
{
    if (name == "desktop")
        return PresenterKind::Desktop;
    if (name == "terminal")
        return PresenterKind::Terminal;
    if (name == "lines")
        return PresenterKind::Lines;
    return std::nullopt;
}

bool isSet(const char* setting)
{
    return setting && *setting;
}

} // namespace

PresenterKind choosePresenter(std::optional<PresenterKind> forced, bool displayNamed, bool terminal)
{
    if (forced)
        return *forced;
    if (displayNamed)
        return PresenterKind::Desktop;
    return terminal ? PresenterKind::Terminal : PresenterKind::Lines;
}

std::optional<PresenterKind> forcedPresenter(int argc, const char* const* argv, const char* environmentSetting,
                                             std::string& error)
{
    std::optional<std::string_view> name;
    std::string_view source = "APPKIT_PRESENTER";
    for (int index = 1; index < argc; ++index) {
        if (isPresenterOption(argv[index])) {
            name = std::string_view(argv[index]).substr(optionPrefix.size());
            source = "--presenter";
        }
    }
    if (!name && isSet(environmentSetting))
        name = environmentSetting;
    if (!name)
        return std::nullopt;
    std::optional<PresenterKind> kind = kindNamed(*name);
    if (!kind)
        error = std::string(source) + " must be desktop, terminal or lines, not \"" + std::string(*name) + "\"";
    return kind;
}

std::optional<PresenterKind> presenterForProcess(int argc, const char* const* argv, int outputFd, bool& forced,
                                                 std::string& error)
{
    std::optional<PresenterKind> kind = forcedPresenter(argc, argv, std::getenv("APPKIT_PRESENTER"), error);
    if (!error.empty())
        return std::nullopt;
    forced = kind.has_value();
    bool displayNamed = isSet(std::getenv("DISPLAY")) || isSet(std::getenv("WAYLAND_DISPLAY"));
    return choosePresenter(kind, displayNamed, ::isatty(STDIN_FILENO) && ::isatty(outputFd));
}

} // namespace appkit
