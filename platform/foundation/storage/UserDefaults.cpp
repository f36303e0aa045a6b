#include "foundation/storage/UserDefaults.h"

#include "foundation/objects/Exception.h"
#include "foundation/objects/Number.h"
#include "foundation/storage/PropertyList.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

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

int writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// The whole file, or the errno that stopped the read (ENOENT: no file).
int readAll(const std::string& path, std::string& content)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    char buffer[16384];
    int result = 0;
    for (;;) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            content.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0) {
            break;
        } else if (errno != EINTR) {
            result = errno;
            break;
        }
    }
    ::close(fd);
    return result;
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
        int result = readAll(path, content);
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
            std::fprintf(stderr, "%s: the defaults file %s could not be read (%s); it was moved to %s and the defaults start empty\n",
                         program_invocation_short_name, path.c_str(), why.c_str(), aside.c_str());
            return;
        }
        writable = false;
        std::fprintf(stderr, "%s: the defaults file %s could not be read (%s) nor moved aside (%s); the defaults start empty and will not be saved\n",
                     program_invocation_short_name, path.c_str(), why.c_str(), std::strerror(result));
    }

    // Temporary file in the same directory, flushed, renamed over the old
    // file, then the directory flushed so that the rename itself is durable.
    int write(const std::string& text)
    {
        if (int result = makeDirectories(directory))
            return result;
        std::string temporary = directory + "/." + domain + ".defaults.json.XXXXXX";
        int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
        if (fd < 0)
            return errno;
        int result = writeAll(fd, text);
        if (!result && ::fsync(fd) != 0)
            result = errno;
        if (::close(fd) != 0 && !result)
            result = errno;
        if (!result && ::rename(temporary.c_str(), path.c_str()) != 0)
            result = errno;
        if (result) {
            ::unlink(temporary.c_str());
            return result;
        }
        int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (directoryFd >= 0) {
            ::fsync(directoryFd);
            ::close(directoryFd);
        }
        return 0;
    }

    bool synchronize()
    {
        std::lock_guard lock(mutex);
        if (!dirty)
            return true;
        if (!writable)
            return false;
        if (write(encodeDefaultsDocument(*values)))
            return false;
        dirty = false;
        return true;
    }

    const std::string domain;
    const std::string directory;
    const std::string path;
    mutable std::mutex mutex;
    Ref<MutableDictionary> values = MutableDictionary::create();
    bool dirty = false;
    bool writable = true;
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
    storage_->dirty = true;
}

namespace {

template <typename T>
Ref<T> ofKind(Ref<Object> value, Kind kind)
{
    return value && value->kind() == kind ? static_ref_cast<T>(value) : nullptr;
}

} // namespace

Ref<String> UserDefaults::stringForKey(std::string_view key) const
{
    return ofKind<String>(valueForKey(key), Kind::String);
}

Ref<Array> UserDefaults::arrayForKey(std::string_view key) const
{
    return ofKind<Array>(valueForKey(key), Kind::Array);
}

Ref<Dictionary> UserDefaults::dictionaryForKey(std::string_view key) const
{
    return ofKind<Dictionary>(valueForKey(key), Kind::Dictionary);
}

Ref<Data> UserDefaults::dataForKey(std::string_view key) const
{
    return ofKind<Data>(valueForKey(key), Kind::Data);
}

Ref<Date> UserDefaults::dateForKey(std::string_view key) const
{
    return ofKind<Date>(valueForKey(key), Kind::Date);
}

std::int64_t UserDefaults::integerForKey(std::string_view key) const
{
    Ref<Number> number = ofKind<Number>(valueForKey(key), Kind::Number);
    return number ? number->int64Value() : 0;
}

double UserDefaults::doubleForKey(std::string_view key) const
{
    Ref<Number> number = ofKind<Number>(valueForKey(key), Kind::Number);
    return number ? number->doubleValue() : 0;
}

bool UserDefaults::boolForKey(std::string_view key) const
{
    Ref<Number> number = ofKind<Number>(valueForKey(key), Kind::Number);
    return number && number->boolValue();
}

void UserDefaults::setInteger(std::int64_t value, std::string_view key)
{
    setValue(Number::withSigned(value).get(), key);
}

void UserDefaults::setDouble(double value, std::string_view key)
{
    setValue(Number::withDouble(value).get(), key);
}

void UserDefaults::setBool(bool value, std::string_view key)
{
    setValue(Number::boolean(value), key);
}

bool UserDefaults::synchronize()
{
    return storage_->synchronize();
}

} // namespace foundation
