#include "agent/DownloadDestination.h"

#include "foundation/objects/URL.h"

#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

std::optional<std::string> downloadDestination(std::string_view temporaryDirectory, std::string_view releasePath)
{
    std::string name = foundation::lastPathComponent(releasePath);
    std::string text = "file://" + std::string(temporaryDirectory) + "/" + name;
    foundation::Ref<foundation::URL> url = foundation::URL::create(text);
    if (!url)
        return std::nullopt;
    // Judge the name as the file system will see it, after percent decoding.
    std::string filePath = url->path();
    std::string directory = foundation::URL::fileURLWithPath(temporaryDirectory)->path();
    std::string decodedName = foundation::lastPathComponent(filePath);
    if (decodedName.empty() || decodedName == "." || decodedName == ".." || filePath != directory + "/" + decodedName)
        return std::nullopt;
    return text;
}

bool destinationHoldsOwnFile(const std::string& destination)
{
    foundation::Ref<foundation::URL> url = foundation::URL::create(destination);
    struct stat status {};
    return url && ::lstat(url->path().c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid();
}

} // namespace corvane
