#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace testsupport {

// A fresh directory under $TMPDIR (default /tmp), removed with everything in
// it when the object goes away.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const noexcept { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    // Writes `content` to `name` (relative to the directory), making parent
    // directories as needed; answers the full path.
    std::filesystem::path write(std::string_view name, std::string_view content) const;

private:
    std::filesystem::path path_;
};

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// Sets an environment variable for the life of the object, then puts back
// what was there before.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, std::string_view value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

} // namespace testsupport
