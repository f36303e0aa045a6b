#pragma once

#include <string>
#include <string_view>

#include <sys/types.h>

namespace foundation {

// The file I/O that the platform and the programs on it share: every
// descriptor they open is close-on-exec (a launched task inherits none), and
// every read and write carries on after EINTR and short counts. Failures are
// answered as errno values, 0 for success, so callers can name the cause
// with strerror or map it to errors of their own.

// An open file descriptor, closed when the object goes.
class FileDescriptor {
public:
    FileDescriptor() noexcept = default;
    // Takes over `descriptor` (-1: none).
    explicit FileDescriptor(int descriptor) noexcept : descriptor_(descriptor) {}
    ~FileDescriptor() { (void)close(); }
    FileDescriptor(FileDescriptor&& other) noexcept : descriptor_(other.descriptor_) { other.descriptor_ = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;

    // open(2), close-on-exec. Not open on failure, with errno set.
    [[nodiscard]] static FileDescriptor open(const std::string& path, int flags, mode_t mode = 0);
    // A new file (mode 0600) named after `path`, a mkstemp(3) template whose
    // six X's stand before a suffix of `suffixLength` bytes; `path` becomes
    // its name. Not open on failure, with errno set.
    [[nodiscard]] static FileDescriptor createUnique(std::string& path, int suffixLength = 0);

    int get() const noexcept { return descriptor_; }
    explicit operator bool() const noexcept { return descriptor_ >= 0; }

    // Closes it now; answers 0, or the errno of close(2), which is where a
    // delayed write error shows (EBADF when it was not open).
    int close() noexcept;

private:
    int descriptor_ = -1;
};

// Writes all of `bytes`. Answers 0 or the errno that stopped it (EIO for a
// write that made no progress).
[[nodiscard]] int writeAll(int descriptor, std::string_view bytes);

// Copies what is left to read in `from` to `to`, in pieces. Answers 0 or the
// errno that stopped it.
[[nodiscard]] int copyAll(int from, int to);

// What is left to read in `descriptor` (standard input, a pipe), appended
// to `content`. Answers 0 or the errno that stopped it.
[[nodiscard]] int readAll(int descriptor, std::string& content);

// The whole content of the file at `path`, appended to `content`. Answers 0
// or the errno that stopped it: ENOENT when there is no file, EISDIR for a
// directory.
[[nodiscard]] int readFile(const std::string& path, std::string& content);

} // namespace foundation
