#include "foundation/storage/FileManager.h"

#include "foundation/objects/CocoaError.h"
#include "foundation/objects/Format.h"
#include "foundation/objects/URL.h"
#include "foundation/system/FileIO.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace foundation {

namespace {

// rename(2) that refuses to replace, on file systems without
// RENAME_NOREPLACE too. Answers 0 or an errno value.
int renameWithoutReplacing(const std::string& source, const std::string& destination)
{
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    struct stat status {};
    if (::lstat(source.c_str(), &status) != 0)
        return errno;
    if (!S_ISDIR(status.st_mode)) {
        // link(2) never replaces; the source name goes once the link exists.
        if (::link(source.c_str(), destination.c_str()) != 0)
            return errno;
        ::unlink(source.c_str());
        return 0;
    }
    if (::lstat(destination.c_str(), &status) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return ::rename(source.c_str(), destination.c_str()) == 0 ? 0 : errno;
}

std::string parentDirectory(const std::string& path)
{
    std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

// A fresh temporary name beside `destination`, in its file system.
std::string temporarySibling(const std::string& destination)
{
    return parentDirectory(destination) + "/." + lastPathComponent(destination) + ".moving-XXXXXX";
}

// Copies a regular file to a new temporary name; answers 0 or an errno.
int copyFile(const std::string& source, const struct stat& status, std::string& temporary)
{
    FileDescriptor from = FileDescriptor::open(source, O_RDONLY);
    if (!from)
        return errno;
    FileDescriptor to = FileDescriptor::createUnique(temporary);
    if (!to)
        return errno;
    int result = copyAll(from.get(), to.get());
    const timespec times[2] = {status.st_atim, status.st_mtim};
    if (!result && (::fchmod(to.get(), status.st_mode & 07777) != 0 || ::futimens(to.get(), times) != 0 || ::fsync(to.get()) != 0))
        result = errno;
    if (int closed = to.close(); closed && !result)
        result = closed;
    if (result)
        ::unlink(temporary.c_str());
    return result;
}

int copyDirectory(const std::string& source, const struct stat& status, std::string& temporary)
{
    if (!::mkdtemp(temporary.data()))
        return errno;
    std::error_code error;
    std::filesystem::copy(source, temporary,
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks, error);
    if (!error && ::chmod(temporary.c_str(), status.st_mode & 07777) != 0)
        error = std::error_code(errno, std::generic_category());
    if (error) {
        std::error_code ignored;
        std::filesystem::remove_all(temporary, ignored);
        return error.value();
    }
    return 0;
}

// Copy, put in place without replacing, then remove the source.
int moveAcrossFileSystems(const std::string& source, const std::string& destination)
{
    struct stat status {};
    if (::lstat(source.c_str(), &status) != 0)
        return errno;
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))
        return EXDEV;  // special files and links stay on their file system
    // Fail early rather than copy a large file for nothing; the final
    // rename still guards against an item appearing meanwhile.
    struct stat existing {};
    if (::lstat(destination.c_str(), &existing) == 0)
        return EEXIST;

    std::string temporary = temporarySibling(destination);
    int result = S_ISDIR(status.st_mode) ? copyDirectory(source, status, temporary)
                                         : copyFile(source, status, temporary);
    if (result)
        return result;
    result = renameWithoutReplacing(temporary, destination);
    std::error_code ignored;
    if (result) {
        std::filesystem::remove_all(temporary, ignored);
        return result;
    }
    // The item is in place; a source that cannot be removed is left behind
    // rather than reported as a failed move.
    std::filesystem::remove_all(source, ignored);
    return 0;
}

Ref<Error> moveError(const std::string& source, const std::string& destination, int errorNumber)
{
    std::string name = lastPathComponent(source);
    std::string folder = lastPathComponent(parentDirectory(destination));
    std::string description;
    long code;
    switch (errorNumber) {
    case EEXIST:
    case ENOTEMPTY:
        code = CocoaError::FileWriteFileExists;
        description = format("“%s” couldn’t be moved to “%s” because an item with the same name already exists.", name, folder);
        break;
    case ENOENT:
    case ENOTDIR:
        code = CocoaError::FileNoSuchFile;
        description = format("“%s” couldn’t be moved to “%s” because either the former doesn’t exist, or the folder containing the latter doesn’t exist.", name, folder);
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        code = CocoaError::FileWriteNoPermission;
        description = format("“%s” couldn’t be moved because you don’t have permission to access “%s”.", name, folder);
        break;
    case ENOSPC:
    case EDQUOT:
        code = CocoaError::FileWriteOutOfSpace;
        description = format("“%s” couldn’t be moved to “%s” because there isn’t enough space.", name, folder);
        break;
    default:
        code = CocoaError::FileWriteUnknown;
        description = format("“%s” couldn’t be moved to “%s”.", name, folder);
        break;
    }
    return cocoaError(code, description,
                      {{FilePathErrorKey, pathString(source)},
                       {SourceFilePathErrorKey, pathString(source)},
                       {DestinationFilePathErrorKey, pathString(destination)}},
                      errorNumber);
}

Ref<Error> unsupportedScheme(long code, const URL& url)
{
    return cocoaError(code, format("The URL type %s isn’t supported for moving “%s”.", std::string(url.scheme()), url.lastPathComponent()),
                      {{"NSURL", Ref<Object>(const_cast<URL*>(&url))}});
}

} // namespace

FileManager& FileManager::defaultManager()
{
    static FileManager manager;
    return manager;
}

bool FileManager::moveItemAtURL(const URL& source, const URL& destination, Ref<Error>* error)
{
    if (!source.isFileURL()) {
        report(error, unsupportedScheme(CocoaError::FileReadUnsupportedScheme, source));
        return false;
    }
    if (!destination.isFileURL()) {
        report(error, unsupportedScheme(CocoaError::FileWriteUnsupportedScheme, destination));
        return false;
    }
    return moveItemAtPath(source.path(), destination.path(), error);
}

bool FileManager::moveItemAtPath(std::string_view sourcePath, std::string_view destinationPath, Ref<Error>* error)
{
    std::string source(sourcePath);
    std::string destination(destinationPath);
    int result = renameWithoutReplacing(source, destination);
    if (result == EXDEV)
        result = moveAcrossFileSystems(source, destination);
    if (result)
        report(error, moveError(source, destination, result));
    return result == 0;
}

} // namespace foundation
