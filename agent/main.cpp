// Corvane, the update agent: runs with its notification window hidden and
// checks once a day for a newer Erlang release.
#include "agent/AppDelegate.h"
#include "agent/TestSettings.h"

#include "appkit/ApplicationMain.h"
#include "foundation/UserDefaults.h"

#include <filesystem>

namespace {

// The UI description travels with the program, like a bundle's resources.
std::filesystem::path mainUIDescription()
{
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return executable.parent_path() / "Resources" / "MainMenu.ui";
}

} // namespace

int main(int argc, char** argv)
{
    if (!corvane::applyTestSettings())
        return 2;
    foundation::UserDefaults::setApplicationDomain("com.zvk.corvane");
    corvane::registerAgentClasses();
    (void)appkit::ApplicationMain(argc, argv, mainUIDescription().string());
    return 0;
}
