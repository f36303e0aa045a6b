#include "foundation/storage/UserDefaults.h"

#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/String.h"
#include "foundation/storage/PropertyList.h"
#include "foundation/system/FileIO.h"
#include "foundation/system/Log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace foundation {

namespace {

std::string configurationDirectory()
{
    // Relative values are invalid by the XDG rules and ignored.
    const char* configured = std::getenv("XDG_CONFIG_HOME");
    if (configured && configured[0] == '/')
        return configured;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* user = ::getpwuid(::getuid());
        home = user ? user->pw_dir : "/";
    }
    return std::string(home) + "/.config";
}

void requireValidDomain(std::string_view domain)
{
    if (domain.empty() || domain == "." || domain == ".." || domain.find('/') != std::string_view::npos
        || domain.find('\0') != std::string_view::npos)
        raise(ExceptionName::InvalidArgument, "UserDefaults: \"" + std::string(domain) + "\" cannot name a defaults domain");
}

Ref<String> keyString(std::string_view key)
{
    Ref<String> string = String::create(key);
    if (!string)
        raise(ExceptionName::InvalidArgument, "UserDefaults: a key that is not UTF-8 text");
    return string;
}

int makeDirectories(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (slash == std::string::npos)
            return 0;
    }
}

std::string timeStamp()
{
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

} // namespace

class UserDefaults::Storage {
public:
    Storage(std::string_view domainName)
        : domain(domainName)
        , directory(configurationDirectory())
        , path(directory + "/" + domain + ".defaults.json")
    {
        load();
    }

    void load()
    {
        std::string content;
        int result = readFile(path, content);
        if (result == ENOENT || result == ENOTDIR)  // no file yet
            return;
        if (result) {
            setAside(std::strerror(result));
            return;
        }
        std::string why;
        Ref<Dictionary> stored = decodeDefaultsDocument(content, why);
        if (!stored) {
            setAside(why);
            return;
        }
        values = stored->mutableCopy();
    }

    // Keeps an unreadable file for whoever wants to look at it and starts
    // empty. If it cannot be moved, it is not overwritten either.
    void setAside(const std::string& why)
    {
        std::string base = path + ".unreadable-" + timeStamp();
        std::string aside = base;
        int result = 0;
        for (int attempt = 2; attempt < 100; ++attempt) {
            if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
                result = 0;
                break;
            }
            result = errno;
            if (result != EEXIST)
                break;
            aside = base + "-" + std::to_string(attempt);
        }
        if (!result) {
            logDiagnostic("the defaults file " + path + " could not be read (" + why + "); it was moved to " + aside
                          + " and the defaults start empty");
            return;
        }
        writable = false;
        logDiagnostic("the defaults file " + path + " could not be read (" + why + ") nor moved aside ("
                      + std::strerror(result) + "); the defaults start empty and will not be saved");
    }

    // Temporary file in the same directory, flushed, renamed over the old
    // file, then the directory flushed so that the rename itself is durable.
    // Answers what failed and why, or nothing.
    std::optional<std::string> write(const std::string& text)
    {
        auto failure = [](std::string what, int result) { return what + ": " + std::strerror(result); };
        if (int result = makeDirectories(directory))
            return failure("the folder " + directory + " could not be made", result);
        std::string temporary = directory + "/." + domain + ".defaults.json.XXXXXX";
        FileDescriptor file = FileDescriptor::createUnique(temporary);
        if (!file)
            return failure("no new file could be made in " + directory, errno);
        std::optional<std::string> failed;
        if (int result = writeAll(file.get(), text))
            failed = failure("writing " + temporary + " failed", result);
        else if (::fsync(file.get()) != 0)
            failed = failure("flushing " + temporary + " to disk failed", errno);
        else if (int result = file.close())
            failed = failure("closing " + temporary + " failed", result);
        else if (::rename(temporary.c_str(), path.c_str()) != 0)
            failed = failure("it could not replace the old file", errno);
        if (failed) {
            ::unlink(temporary.c_str());
            return failed;
        }
        if (FileDescriptor folder = FileDescriptor::open(directory, O_RDONLY | O_DIRECTORY))
            ::fsync(folder.get());
        return std::nullopt;
    }

    // The changes are snapshotted under `mutex` and written under
    // `writeMutex` only, so readers and writers of values never wait for the
    // disk. Snapshots are taken while `writeMutex` is held, so the files go
    // out in the order of their snapshots: an older one never replaces a
    // newer one.
    bool synchronize()
    {
        std::lock_guard writing(writeMutex);
        Ref<Object> snapshot;
        std::uint64_t snapshotChange;
        {
            std::lock_guard lock(mutex);
            if (savedChange == change)
                return true;
            if (!writable)
                return false;
            // The values are immutable copies: the top level is all to copy.
            snapshot = values->copy();
            snapshotChange = change;
        }
#if ENABLE_TEST_SEAMS
        if (willWrite)
            willWrite();
#endif
        if (auto failed = write(encodeDefaultsDocument(static_cast<const Dictionary&>(*snapshot)))) {
            logDiagnostic("the defaults file " + path + " could not be saved (" + *failed
                          + "); the changes stay in memory and the next save tries again");
            return false;
        }
        std::lock_guard lock(mutex);
        savedChange = snapshotChange;
        return true;
    }

    const std::string domain;
    const std::string directory;
    const std::string path;
    std::mutex writeMutex;        // one save at a time; taken before `mutex`, never while it is held
    mutable std::mutex mutex;     // guards what follows
    Ref<MutableDictionary> values = MutableDictionary::create();
    std::uint64_t change = 0;       // counts the changes to `values`
    std::uint64_t savedChange = 0;  // the change the file holds
    bool writable = true;
#if ENABLE_TEST_SEAMS
    std::function<void()> willWrite;  // guarded by writeMutex
#endif
};

namespace {

std::mutex standardMutex;
std::string applicationDomain;
UserDefaults* standard = nullptr;

void saveStandardAtExit()
{
    std::lock_guard lock(standardMutex);
    if (standard)
        standard->synchronize();
}

} // namespace

UserDefaults& UserDefaults::standardUserDefaults()
{
    std::lock_guard lock(standardMutex);
    if (!standard) {
        static bool registered = std::atexit(saveStandardAtExit) == 0;
        (void)registered;
        standard = new UserDefaults(applicationDomain.empty() ? program_invocation_short_name : applicationDomain);
    }
    return *standard;
}

void UserDefaults::setApplicationDomain(std::string_view domain)
{
    requireValidDomain(domain);
    std::lock_guard lock(standardMutex);
    if (standard && standard->domain() != domain)
        raise(ExceptionName::InternalInconsistency,
              "UserDefaults: the standard defaults already use the domain \"" + standard->domain() + "\"");
    applicationDomain = domain;
}

#if ENABLE_TEST_SEAMS
void UserDefaults::resetStandardUserDefaults()
{
    std::lock_guard lock(standardMutex);
    delete standard;
    standard = nullptr;
}
#endif

UserDefaults::UserDefaults(std::string_view domain)
{
    requireValidDomain(domain);
    storage_ = std::make_unique<Storage>(domain);
}

UserDefaults::~UserDefaults()
{
    synchronize();
}

const std::string& UserDefaults::domain() const noexcept
{
    return storage_->domain;
}

const std::string& UserDefaults::filePath() const noexcept
{
    return storage_->path;
}

Ref<Object> UserDefaults::valueForKey(std::string_view key) const
{
    std::lock_guard lock(storage_->mutex);
    return Ref(storage_->values->objectForKey(key));
}

void UserDefaults::setValue(Object* value, std::string_view key)
{
    Ref<String> name = keyString(key);
    Ref<Object> copy = value ? propertyListCopy(*value) : nullptr;
    std::lock_guard lock(storage_->mutex);
    if (copy)
        storage_->values->setObject(copy.get(), name.get());
    else
        storage_->values->removeObjectForKey(name.get());
    ++storage_->change;
}

bool UserDefaults::synchronize()
{
    return storage_->synchronize();
}

#if ENABLE_TEST_SEAMS
void UserDefaults::setWillWriteObserver(std::function<void()> observer)
{
    std::lock_guard writing(storage_->writeMutex);
    storage_->willWrite = std::move(observer);
}
#endif

} // namespace foundation
