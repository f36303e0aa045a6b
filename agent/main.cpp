// Corvane, the update agent: runs with its notification window hidden and
// checks once a day for a newer Erlang release.
#include "agent/AppDelegate.h"
#include "agent/TestSettings.h"

#include "appkit/ApplicationMain.h"
#include "desktop/DesktopPresenter.h"
#include "foundation/storage/UserDefaults.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

// The UI description travels with the program, like a bundle's resources.
std::filesystem::path mainUIDescription()
{
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return executable.parent_path() / "Resources" / "MainMenu.ui";
}

// Started with a standard descriptor closed (as a login item may be), the
// next pipe or socket would take its number and the agent's lines would go
// into it: hold each closed one open on /dev/null instead.
void keepStandardDescriptorsOpen()
{
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) == -1)
            open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);  // takes the lowest free number
    }
}

} // namespace

int main(int argc, char** argv)
{
    keepStandardDescriptorsOpen();
    if (!corvane::applyTestSettings())
        return 2;
    foundation::UserDefaults::setApplicationDomain("com.zvk.corvane");
    corvane::registerAgentClasses();
    // ApplicationMain returns 0 after a normal end (SIGINT or SIGTERM); a UI
    // description it could not load is a failure, reported as one.
    return appkit::ApplicationMain(argc, argv, mainUIDescription().string(),
                                   [](std::string& error) -> std::unique_ptr<appkit::WindowDisplay> {
                                       return desktop::DesktopPresenter::open(error);
                                   });
}
