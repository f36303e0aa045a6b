#include "foundation/url/internal/DownloadFile.h"

#include <cerrno>
#include <cstdlib>
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
    FileDescriptor descriptor = FileDescriptor::createUnique(path, 4);
    if (!descriptor)
        return nullptr;
    struct stat status {};
    if (fstat(descriptor.get(), &status) != 0) {
        int saved = errno;
        (void)descriptor.close();
        unlink(path.c_str());
        errno = saved;
        return nullptr;
    }
    return std::shared_ptr<DownloadFile>(new DownloadFile(std::move(descriptor), std::move(path), status.st_dev, status.st_ino));
}

DownloadFile::~DownloadFile()
{
    (void)descriptor_.close();
    struct stat status {};
    if (lstat(path_.c_str(), &status) == 0 && status.st_dev == device_ && status.st_ino == inode_)
        unlink(path_.c_str());
}

bool DownloadFile::write(std::string_view bytes)
{
    if (int result = writeAll(descriptor_.get(), bytes)) {
        errno = result;
        return false;
    }
    return true;
}

bool DownloadFile::close()
{
    return descriptor_.close() == 0;
}

} // namespace foundation
