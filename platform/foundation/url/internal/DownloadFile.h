#pragma once

#include "foundation/system/FileIO.h"

#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace foundation {

// The temporary file a download streams into. It is removed when the last
// owner lets go, unless it has been moved away in the meantime: the path
// is only removed while it still names this very file (same device and
// inode), so a file that took its place is never touched.
class DownloadFile {
public:
    // A new empty file "CFNetworkDownload_XXXXXX.tmp" in `directory` (empty
    // for $TMPDIR, or /tmp without it). Null on failure, with errno set.
    [[nodiscard]] static std::shared_ptr<DownloadFile> create(const std::string& directory);
    ~DownloadFile();
    DownloadFile(const DownloadFile&) = delete;
    DownloadFile& operator=(const DownloadFile&) = delete;

    const std::string& path() const noexcept { return path_; }
    // False on a write error (errno set).
    [[nodiscard]] bool write(std::string_view bytes);
    // Ends writing; false when the data could not be stored.
    [[nodiscard]] bool close();

private:
    DownloadFile(FileDescriptor descriptor, std::string path, dev_t device, ino_t inode)
        : descriptor_(std::move(descriptor)), path_(std::move(path)), device_(device), inode_(inode) {}

    FileDescriptor descriptor_;
    std::string path_;
    dev_t device_;
    ino_t inode_;
};

} // namespace foundation
