#include "appkit/PresenterChoice.h"

#include <cstdlib>
#include <unistd.h>

namespace appkit {

namespace {

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

std::optional<PresenterKind> forcedPresenter(std::optional<std::string_view> option, const char* environmentSetting,
                                             std::string& error)
{
    std::optional<std::string_view> name = option;
    std::string_view source = option ? "--presenter" : "APPKIT_PRESENTER";
    if (!name && isSet(environmentSetting))
        name = environmentSetting;
    if (!name)
        return std::nullopt;
    std::optional<PresenterKind> kind = kindNamed(*name);
    if (!kind)
        error = std::string(source) + " must be desktop, terminal or lines, not \"" + std::string(*name) + "\"";
    return kind;
}

std::optional<PresenterRequest> presenterForProcess(std::optional<std::string_view> option, int outputFd,
                                                    std::string& error)
{
    std::optional<PresenterKind> kind = forcedPresenter(option, std::getenv("APPKIT_PRESENTER"), error);
    if (!error.empty())
        return std::nullopt;
    bool displayNamed = isSet(std::getenv("DISPLAY")) || isSet(std::getenv("WAYLAND_DISPLAY"));
    return PresenterRequest{choosePresenter(kind, displayNamed, ::isatty(STDIN_FILENO) && ::isatty(outputFd)),
                            kind.has_value()};
}

} // namespace appkit
