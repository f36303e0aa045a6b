#include "appkit/ApplicationMain.h"

#include "appkit/Application.h"
#include "appkit/DesktopFallback.h"
#include "appkit/Notification.h"
#include "appkit/PresenterChoice.h"
#include "appkit/UIDescription.h"
#include "foundation/runloop/RunLoop.h"
#include "foundation/system/Log.h"

#include <csignal>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace appkit {

using foundation::Ref;

namespace {

std::string resolvedPath(const std::string& path)
{
    std::error_code error;
    if (path.empty() || path.front() == '/')
        return path;
    auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return path;
    return (program.parent_path() / path).string();
}

void tellDelegate(std::string_view operation, std::string_view notificationName)
{
    Application& application = Application::shared();
    Ref<foundation::Object> delegate = application.delegate();
    if (delegate && delegate->respondsToSelector(operation))
        delegate->perform(operation, Notification::create(notificationName, &application).get());
}

// The console that shows the windows when the desktop cannot be reached.
PresenterKind consoleInsteadOfDesktop()
{
    return choosePresenter(std::nullopt, false, ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO));
}

std::string_view describe(PresenterKind console)
{
    return console == PresenterKind::Terminal ? "windows in the terminal" : "windows as lines";
}

// The desktop went away by the time the first window is shown: the program
// is running and keeps running, forced or not.
DeferredPresenter::Fallback presenterInsteadOfDesktop(const Presenters& presenters)
{
    return [console = presenters.console](const std::string& reason) {
        PresenterKind kind = consoleInsteadOfDesktop();
        fallBackFromDesktop(reason, false, describe(kind));
        return console(kind);
    };
}

} // namespace

int ApplicationMain(int argc, const char* const* argv, const std::string& descriptionPath,
                    const Presenters& presenters)
{
    Application::shared().setArguments(argc, argv);
    // An agent whose reader has gone away keeps running; writes just fail.
    std::signal(SIGPIPE, SIG_IGN);

    foundation::RunLoop& loop = foundation::RunLoop::main();
    loop.setTerminationHandler([] {});

    // The presenter draws only when the run loop turns, so a window that
    // the launch shows and hides again never reaches the screen.
    bool forced = false;
    std::string why;
    std::optional<PresenterKind> kind = presenterForProcess(argc, argv, STDERR_FILENO, forced, why);
    if (!kind) {
        foundation::logDiagnostic(why);
        return 1;
    }
    std::unique_ptr<WindowDisplay> presenter;
    if (*kind == PresenterKind::Desktop) {
        bool reachable = false;
        if (presenters.desktop.open)
            reachable = presenters.desktop.reachable(why);
        else
            why = "this program has no desktop presenter";
        if (reachable)
            presenter = std::make_unique<DeferredPresenter>(presenters.desktop.open, presenterInsteadOfDesktop(presenters));
        else if (kind = consoleInsteadOfDesktop(); !fallBackFromDesktop(why, forced, describe(*kind)))
            return 1;
    }
    if (!presenter)
        presenter = presenters.console(*kind);

    Ref<foundation::Error> error;
    Ref<UIDescription> description = UIDescription::load(resolvedPath(descriptionPath), error);
    if (!description) {
        presenter.reset();
        foundation::logDiagnostic(error->localizedDescription());
        return 1;
    }

    tellDelegate("applicationDidFinishLaunching:", ApplicationDidFinishLaunchingNotification);
    loop.run();
    tellDelegate("applicationWillTerminate:", ApplicationWillTerminateNotification);
    presenter.reset();
    return 0;
}

} // namespace appkit
