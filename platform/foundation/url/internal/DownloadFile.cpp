#include "foundation/url/internal/DownloadFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace foundation {

std::shared_ptr<DownloadFile> DownloadFile::create(const std::string& directory)
{
    std::string base = directory;
    if (base.empty()) {
        const char* environment = std::getenv("TMPDIR");
        base = environment && *environment ? environment : "/tmp";
    }
    if (base.back() != '/')
        base.push_back('/');
    std::string path = base + "CFNetworkDownload_XXXXXX.tmp";
    int descriptor = mkostemps(path.data(), 4, O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat status {};
    if (fstat(descriptor, &status) != 0) {
        int saved = errno;
        ::close(descriptor);
        unlink(path.c_str());
        errno = saved;
        return nullptr;
    }
    return std::shared_ptr<DownloadFile>(new DownloadFile(descriptor, std::move(path), status.st_dev, status.st_ino));
}

DownloadFile::~DownloadFile()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
    struct stat status {};
    if (lstat(path_.c_str(), &status) == 0 && status.st_dev == device_ && status.st_ino == inode_)
        unlink(path_.c_str());
}

bool DownloadFile::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool DownloadFile::close()
{
    int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor >= 0 && ::close(descriptor) == 0;
}

} // namespace foundation
