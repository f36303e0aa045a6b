#include "foundation/system/FileIO.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace foundation {

namespace {

// Hands each piece read from `descriptor` to `consume` until the end of the
// file; a nonzero answer from `consume` stops the read and is answered.
template <typename Consume>
int readPieces(int descriptor, Consume consume)
{
    char buffer[1 << 16];
    for (;;) {
        ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count == 0)
            return 0;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (int result = consume(std::string_view(buffer, static_cast<std::size_t>(count))))
            return result;
    }
}

} // namespace

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        (void)close();
        descriptor_ = other.descriptor_;
        other.descriptor_ = -1;
    }
    return *this;
}

FileDescriptor FileDescriptor::open(const std::string& path, int flags, mode_t mode)
{
    return FileDescriptor(::open(path.c_str(), flags | O_CLOEXEC, mode));
}

FileDescriptor FileDescriptor::createUnique(std::string& path, int suffixLength)
{
    return FileDescriptor(::mkostemps(path.data(), suffixLength, O_CLOEXEC));
}

int FileDescriptor::close() noexcept
{
    if (descriptor_ < 0)
        return EBADF;
    // Linux releases the descriptor even when close(2) fails (EINTR too), so
    // it is never closed twice.
    int result = ::close(descriptor_) == 0 ? 0 : errno;
    descriptor_ = -1;
    return result;
}

int writeAll(int descriptor, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

int copyAll(int from, int to)
{
    return readPieces(from, [to](std::string_view piece) { return writeAll(to, piece); });
}

int readAll(int descriptor, std::string& content)
{
    return readPieces(descriptor, [&content](std::string_view piece) {
        content.append(piece);
        return 0;
    });
}

int readFile(const std::string& path, std::string& content)
{
    FileDescriptor file = FileDescriptor::open(path, O_RDONLY);
    if (!file)
        return errno;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return errno;
    if (S_ISDIR(status.st_mode))
        return EISDIR;
    if (S_ISREG(status.st_mode) && status.st_size > 0)
        content.reserve(content.size() + static_cast<std::size_t>(status.st_size));
    return readAll(file.get(), content);
}

} // namespace foundation
