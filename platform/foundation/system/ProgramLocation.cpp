#include "foundation/system/ProgramLocation.h"

#include <filesystem>

namespace foundation {

namespace fs = std::filesystem;

std::string shippedFilePath(std::string_view installed, std::string_view inBuildTree)
{
    std::error_code error;
    fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
    fs::path installedPath = (folder / installed).lexically_normal();
    fs::path buildTreePath = (folder / inBuildTree).lexically_normal();
    if (!fs::exists(installedPath, error) && fs::exists(buildTreePath, error))
        return buildTreePath.string();
    return installedPath.string();
}

} // namespace foundation
