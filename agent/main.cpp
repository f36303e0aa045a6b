// Corvane, the update agent: runs with its notification window hidden and
// checks once a day for a newer Erlang release.
#include "agent/AppDelegate.h"
#include "agent/TestSettings.h"

#include "appkit/ApplicationMain.h"
#include "desktop/DesktopPresenter.h"
#include "desktop/DisplayCheck.h"
#include "foundation/storage/UserDefaults.h"
#include "foundation/system/ProgramLocation.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

// The UI description travels with the program, like a bundle's resources:
// PROGRAM_RESOURCES leads from the installed program to its installed
// resources; the build tree keeps them in Resources/ beside the program.
std::string mainUIDescription()
{
    return foundation::shippedFilePath(PROGRAM_RESOURCES "/MainMenu.ui", "Resources/MainMenu.ui");
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
    // The desktop is checked for at start and GTK loaded only for the first
    // announcement: the agent mostly waits, for days, with nothing shown.
    return appkit::ApplicationMain(argc, argv, mainUIDescription(),
                                   {desktop::displayReachable,
                                    [](std::string& error) -> std::unique_ptr<appkit::WindowDisplay> {
                                        return desktop::DesktopPresenter::open(error);
                                    }});
}
