#include "appkit/ApplicationMain.h"

#include "appkit/Application.h"
#include "appkit/DesktopFallback.h"
#include "appkit/Notification.h"
#include "appkit/PresenterChoice.h"
#include "appkit/UIDescription.h"
#include "foundation/runloop/RunLoop.h"
#include "foundation/system/Log.h"

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

foundation::ExitStatus ApplicationMain(const PresenterRequest& request, const std::string& descriptionPath,
                                       const Presenters& presenters)
{
    using foundation::ExitStatus;
    foundation::RunLoop& loop = foundation::RunLoop::main();
    loop.setTerminationHandler([] {});

    // The presenter draws only when the run loop turns, so a window that
    // the launch shows and hides again never reaches the screen.
    PresenterKind kind = request.kind;
    std::unique_ptr<WindowDisplay> presenter;
    if (kind == PresenterKind::Desktop) {
        std::string why;
        bool reachable = false;
        if (presenters.desktop.open)
            reachable = presenters.desktop.reachable(why);
        else
            why = "this program has no desktop presenter";
        if (reachable)
            presenter = std::make_unique<DeferredPresenter>(presenters.desktop.open, presenterInsteadOfDesktop(presenters));
        else if (kind = consoleInsteadOfDesktop(); !fallBackFromDesktop(why, request.forced, describe(kind)))
            return ExitStatus::Failure;
    }
    if (!presenter)
        presenter = presenters.console(kind);

    Ref<foundation::Error> error;
    Ref<UIDescription> description = UIDescription::load(resolvedPath(descriptionPath), error);
    if (!description) {
        presenter.reset();
        foundation::logDiagnostic(error->localizedDescription());
        return ExitStatus::Failure;
    }

    tellDelegate("applicationDidFinishLaunching:", ApplicationDidFinishLaunchingNotification);
    loop.run();
    tellDelegate("applicationWillTerminate:", ApplicationWillTerminateNotification);
    presenter.reset();
    return ExitStatus::Success;
}

} // namespace appkit
