#include "foundation/objects/Array.h"
#include "foundation/objects/Data.h"
#include "foundation/objects/Date.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "foundation/storage/UserDefaults.h"
#include "foundation/system/Log.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <filesystem>
#include <future>
#include <limits>
#include <thread>

#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace foundation;

namespace fs = std::filesystem;

namespace {

std::vector<std::string> filesIn(const fs::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// While it lives, writing a regular file past `bytes` fails (EFBIG) the way
// a full disk does (ENOSPC): the write stops part way, with no file system
// of our own and no privilege needed.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limited{bytes, saved_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limited);
        savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, savedHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*savedHandler_)(int) = SIG_DFL;
};

// While it lives, this thread's file accesses are checked as an ordinary
// user's: a root test process (CI) otherwise reads a chmod 000 file like
// any other. Only the file-system identity of the calling thread changes
// (setfsuid), and with it the capabilities that bypass file permissions,
// so `directory` is opened to everyone for the time.
class OrdinaryUserFileAccess {
public:
    explicit OrdinaryUserFileAccess(const fs::path& directory) : directory_(directory)
    {
        if (::geteuid() != 0)
            return;
        fs::permissions(directory_, fs::perms::all);
        ::setfsuid(nobody);
        dropped_ = static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1))) == nobody;
    }
    ~OrdinaryUserFileAccess()
    {
        if (::geteuid() != 0)
            return;
        ::setfsuid(0);
        fs::permissions(directory_, fs::perms::owner_all);
    }
    OrdinaryUserFileAccess(const OrdinaryUserFileAccess&) = delete;
    OrdinaryUserFileAccess& operator=(const OrdinaryUserFileAccess&) = delete;

    // False when running as root and the identity could not be dropped.
    bool effective() const noexcept { return ::geteuid() != 0 || dropped_; }

private:
    static constexpr uid_t nobody = 65534;
    fs::path directory_;
    bool dropped_ = false;
};

class UserDefaultsTest : public ::testing::Test {
protected:
    fs::path file(std::string_view domain) const { return directory / (std::string(domain) + ".defaults.json"); }

    testsupport::TemporaryDirectory directory;
    testsupport::ScopedEnvironment configHome{"XDG_CONFIG_HOME", directory.path().string()};
};

// The string stored under the key, or "(no string)".
std::string storedString(const UserDefaults& defaults, std::string_view key)
{
    Ref<Object> value = defaults.valueForKey(key);
    return value && value->isString() ? std::string(static_ref_cast<String>(value)->utf8()) : "(no string)";
}

// The integer stored under the key, or -1.
std::int64_t storedInteger(const UserDefaults& defaults, std::string_view key)
{
    Ref<Object> value = defaults.valueForKey(key);
    return value && value->isNumber() ? static_ref_cast<Number>(value)->int64Value() : -1;
}

// The same type code and the same bits, however the number is read.
bool sameNumber(const Number& a, const Number& b)
{
    if (a.typeCode() != b.typeCode())
        return false;
    if (a.isFloatingPoint())
        return std::bit_cast<std::uint64_t>(a.doubleValue()) == std::bit_cast<std::uint64_t>(b.doubleValue());
    return a.int64Value() == b.int64Value() && a.uint64Value() == b.uint64Value();
}

TEST_F(UserDefaultsTest, EveryPropertyListTypeReadsBackExactlyAfterARestart)
{
    std::string allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes += static_cast<char>(i);
    Ref<Dictionary> inner = Dictionary::create({{str("list").get(), Array::create({str("a").get(), Number::boolean(false)}).get()},
                                                {str("empty").get(), Dictionary::create().get()}});
    const std::pair<const char*, Ref<Object>> values[] = {
        {"skipVersion", str("26.1.2 \xE2\x80\x94 \"quoted\"\n")},
        {"char", Number::withSigned(-128, 'c')},
        {"min", Number::withSigned(std::numeric_limits<std::int64_t>::min())},
        {"max", Number::withUnsigned(std::numeric_limits<std::uint64_t>::max())},
        {"ushort", Number::withUnsigned(65535, 'S')},
        {"tenth", Number::withDouble(0.1)},
        {"negativeZero", Number::withDouble(-0.0)},
        {"tiny", Number::withDouble(std::numeric_limits<double>::denorm_min())},
        {"nan", Number::withDouble(NAN)},
        {"minusInfinity", Number::withDouble(-INFINITY)},
        {"float", Number::withFloat(1.1f)},
        {"yes", Ref(Number::trueValue())},
        {"no", Ref(Number::falseValue())},
        {"when", Date::withTimeIntervalSince1970(1796411105.123456)},
        {"never", Date::withTimeIntervalSince1970(INFINITY)},
        {"bytes", Data::create(allBytes)},
        {"nested", Array::create({inner.get(), Array::create().get(), Data::create("").get()})},
    };
    {
        UserDefaults defaults("org.zvk.corvane");
        for (const auto& [key, value] : values)
            defaults.setValue(value.get(), key);
        defaults.setValue(Date::withTimeIntervalSince1970(NAN).get(), "undated");
        EXPECT_TRUE(defaults.synchronize());
    }
    LogCaptureForTesting log;
    UserDefaults defaults("org.zvk.corvane");
    EXPECT_EQ(log.messages(), std::vector<std::string>{}) << "the file was not read back";
    Ref<Object> undated = defaults.valueForKey("undated");
    ASSERT_TRUE(undated && undated->isDate());
    EXPECT_TRUE(std::isnan(static_ref_cast<Date>(undated)->timeIntervalSince1970()));
    for (const auto& [key, value] : values) {
        Ref<Object> read = defaults.valueForKey(key);
        ASSERT_TRUE(read) << key;
        if (value->isNumber() && read->isNumber())
            EXPECT_TRUE(sameNumber(*static_ref_cast<Number>(value), *static_ref_cast<Number>(read))) << key << ": " << read->description();
        else
            EXPECT_TRUE(equal(value.get(), read.get())) << key << ": " << read->description();
    }
    EXPECT_EQ(defaults.valueForKey("yes").get(), Number::trueValue());
    EXPECT_EQ(defaults.valueForKey("no").get(), Number::falseValue());
}

TEST_F(UserDefaultsTest, StoresACopy)
{
    UserDefaults defaults("d");
    Ref<MutableDictionary> settings = MutableDictionary::create();
    settings->setObject(str("a").get(), "k");
    defaults.setValue(settings.get(), "settings");
    settings->setObject(str("b").get(), "k");
    EXPECT_EQ(static_ref_cast<Dictionary>(defaults.valueForKey("settings"))->objectForKey("k")->description(), "a");
}

TEST_F(UserDefaultsTest, NullRemovesAStoredValue)
{
    {
        UserDefaults defaults("d");
        defaults.setValue(str("1.0").get(), "skipVersion");
        EXPECT_TRUE(defaults.synchronize());
        defaults.setValue(nullptr, "skipVersion");
        EXPECT_FALSE(defaults.valueForKey("skipVersion"));
    }
    EXPECT_FALSE(UserDefaults("d").valueForKey("skipVersion"));
}

TEST_F(UserDefaultsTest, WhatIsNoPropertyListIsRefused)
{
    UserDefaults defaults("d");
    EXPECT_THROW(defaults.setValue(Null::null(), "k"), Exception);
    Ref<Dictionary> numberKeyed = Dictionary::create({{Number::withSigned(1).get(), str("x").get()}});
    EXPECT_THROW(defaults.setValue(Array::create({numberKeyed.get()}).get(), "k"), Exception);
    EXPECT_FALSE(defaults.valueForKey("k"));
}

TEST_F(UserDefaultsTest, CorruptFileIsMovedAsideWithOneLineAndTheDomainStartsEmpty)
{
    // Nested far deeper than any setting: reading it must not exhaust the stack.
    std::string deep = "{\"format\": \"defaults\", \"version\": 1, \"values\": {\"k\": ";
    for (int i = 0; i < 200000; ++i)
        deep += "{\"array\": [";
    deep += "{\"string\": \"x\"}";
    for (int i = 0; i < 200000; ++i)
        deep += "]}";
    deep += "}}";
    for (std::string content : {std::string("{\"format\": \"defaults\", \"version\": 1, \"values\": {\"k\": {\"string\": 5}}}"),
                                std::string("skipVersion = 1.0;"), std::string("{\"format\": \"defaults\", \"vers"), deep}) {
        SCOPED_TRACE(content.substr(0, 80));
        directory.write("d.defaults.json", content);
        LogCaptureForTesting log;
        UserDefaults defaults("d");
        std::vector<std::string> messages = log.messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].find('\n'), std::string::npos) << messages[0];  // one line
        EXPECT_NE(messages[0].find(file("d").string()), std::string::npos) << messages[0];
        EXPECT_FALSE(defaults.valueForKey("k"));

        std::vector<std::string> names = filesIn(directory.path());
        ASSERT_EQ(names.size(), 1u);
        EXPECT_TRUE(names[0].starts_with("d.defaults.json.unreadable-")) << names[0];
        EXPECT_EQ(testsupport::readFile(directory / names[0]), content);

        defaults.setValue(str("2.0").get(), "skipVersion");
        EXPECT_TRUE(defaults.synchronize());
        EXPECT_EQ(storedString(UserDefaults("d"), "skipVersion"), "2.0");
        fs::remove(directory / names[0]);
        fs::remove(file("d"));
    }
}

TEST_F(UserDefaultsTest, ADirectoryUnderTheFileNameIsMovedAsideWhole)
{
    fs::create_directory(file("d"));
    directory.write("d.defaults.json/notes", "someone's");
    LogCaptureForTesting log;
    UserDefaults defaults("d");
    std::vector<std::string> messages = log.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Is a directory"), std::string::npos) << messages[0];
    std::vector<std::string> names = filesIn(directory.path());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names[0].starts_with("d.defaults.json.unreadable-")) << names[0];
    EXPECT_EQ(testsupport::readFile(directory / names[0] / "notes"), "someone's");

    defaults.setValue(str("2.0").get(), "skipVersion");
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(storedString(UserDefaults("d"), "skipVersion"), "2.0");
}

TEST_F(UserDefaultsTest, AFileThatMayNotBeReadIsMovedAsideAndTheDomainStartsEmpty)
{
    directory.write("d.defaults.json", R"({"format": "defaults", "version": 1, "values": {"k": {"string": "x"}}})");
    fs::permissions(file("d"), fs::perms::none);
    std::vector<std::string> messages;
    bool hasValue = true;
    {
        OrdinaryUserFileAccess ordinary(directory.path());
        if (!ordinary.effective())
            GTEST_SKIP() << "running as root, and this thread could not take an ordinary user's file access";
        LogCaptureForTesting log;
        UserDefaults defaults("d");
        messages = log.messages();
        hasValue = defaults.valueForKey("k") != nullptr;
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Permission denied"), std::string::npos) << messages[0];
    EXPECT_FALSE(hasValue);
    std::vector<std::string> names = filesIn(directory.path());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names[0].starts_with("d.defaults.json.unreadable-")) << names[0];
    fs::permissions(directory / names[0], fs::perms::owner_read);
    EXPECT_EQ(testsupport::readFile(directory / names[0]),
              R"({"format": "defaults", "version": 1, "values": {"k": {"string": "x"}}})");
}

TEST_F(UserDefaultsTest, ASaveThatRunsOutOfSpaceLeavesTheOldFileAsItWas)
{
    {
        UserDefaults first("d");
        first.setValue(str("1.0").get(), "skipVersion");
        ASSERT_TRUE(first.synchronize());
    }
    std::string before = testsupport::readFile(file("d"));
    UserDefaults defaults("d");
    defaults.setValue(str(std::string(100000, 'x')).get(), "notes");
    {
        FileSizeLimit full(4096);
        EXPECT_FALSE(defaults.synchronize());
    }
    EXPECT_EQ(testsupport::readFile(file("d")), before);
    EXPECT_EQ(filesIn(directory.path()), std::vector<std::string>{"d.defaults.json"});  // no temporary left
    EXPECT_TRUE(defaults.synchronize());  // the change was kept for the next save
    EXPECT_GT(testsupport::readFile(file("d")).size(), 100000u);
}

TEST_F(UserDefaultsTest, AFailedWriteKeepsTheChangesForTheNext)
{
    testsupport::ScopedEnvironment blocked("XDG_CONFIG_HOME", (directory / "config").string());
    directory.write("config", "a file where the directory should be");
    UserDefaults defaults("d");
    defaults.setValue(str("1.0").get(), "skipVersion");
    EXPECT_FALSE(defaults.synchronize());
    fs::remove(directory / "config");
    EXPECT_TRUE(defaults.synchronize());  // keeps the changes, and makes the missing directory
    EXPECT_EQ(storedString(UserDefaults("d"), "skipVersion"), "1.0");
}

TEST_F(UserDefaultsTest, WritesLeaveNoTemporariesAndAreForTheUserOnly)
{
    UserDefaults defaults("d");
    defaults.setValue(str("1.0").get(), "skipVersion");
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_EQ(filesIn(directory.path()), std::vector<std::string>{"d.defaults.json"});
    struct stat status {};
    ASSERT_EQ(::stat(defaults.filePath().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(UserDefaultsTest, WhereTheFilesLive)
{
    {
        testsupport::ScopedEnvironment home("HOME", (directory / "home").string());
        testsupport::ScopedEnvironment relative("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(UserDefaults("d").filePath(), (directory / "home/.config/d.defaults.json").string());
    }
    UserDefaults::setApplicationDomain("org.zvk.corvane-test");
    UserDefaults::resetStandardUserDefaults();
    EXPECT_EQ(UserDefaults::standardUserDefaults().filePath(), file("org.zvk.corvane-test").string());
    EXPECT_THROW(UserDefaults::setApplicationDomain("other"), Exception);
    EXPECT_THROW(UserDefaults::setApplicationDomain("../escape"), Exception);
    UserDefaults::resetStandardUserDefaults();
}

TEST_F(UserDefaultsTest, ConcurrentWritersAndReadersLoseNothing)
{
    UserDefaults defaults("d");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&defaults, t] {
            for (int i = 0; i < 100; ++i) {
                std::string key = std::to_string(t * 1000 + i);
                defaults.setValue(Number::withSigned(i).get(), key);
                EXPECT_EQ(storedInteger(defaults, key), i);
                if (i % 25 == 0) {
                    EXPECT_TRUE(defaults.synchronize());
                }
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_TRUE(defaults.synchronize());
    UserDefaults reread("d");
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 100; ++i)
            EXPECT_EQ(storedInteger(reread, std::to_string(t * 1000 + i)), i);
}

TEST_F(UserDefaultsTest, AFailedSaveIsOneDiagnosticWithTheSystemsReason)
{
    testsupport::ScopedEnvironment blocked("XDG_CONFIG_HOME", (directory / "config").string());
    directory.write("config", "a file where the directory should be");
    UserDefaults defaults("d");
    defaults.setValue(str("1.0").get(), "skipVersion");
    LogCaptureForTesting log;
    EXPECT_FALSE(defaults.synchronize());
    std::vector<std::string> messages = log.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(defaults.filePath()), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("Not a directory"), std::string::npos) << messages[0];
    EXPECT_EQ(messages[0].find('\n'), std::string::npos) << messages[0];
}

// Starts a save of `defaults` on a thread of its own and holds it after its
// snapshot is taken, before it is written, until release(). Later saves
// pass the observer without stopping.
class HeldSave {
public:
    explicit HeldSave(UserDefaults& defaults)
    {
        defaults.setWillWriteObserver([this] {
            if (!held_.exchange(true)) {
                writing_.set_value();
                mayWrite_.wait();
            }
        });
        saver_ = std::thread([&defaults] { EXPECT_TRUE(defaults.synchronize()); });
        writing_.get_future().wait();
    }
    ~HeldSave() { release(); }

    void release()
    {
        if (!saver_.joinable())
            return;
        written_.set_value();
        saver_.join();
    }

private:
    std::atomic<bool> held_ = false;
    std::promise<void> writing_;
    std::promise<void> written_;
    std::shared_future<void> mayWrite_ = written_.get_future().share();
    std::thread saver_;
};

TEST_F(UserDefaultsTest, ValuesStayUsableWhileASaveIsWritten)
{
    UserDefaults defaults("d");
    defaults.setValue(str("older").get(), "k");
    HeldSave save(defaults);
    std::promise<void> used;
    std::thread user([&] {
        defaults.setValue(str("newer").get(), "k");
        EXPECT_EQ(storedString(defaults, "k"), "newer");
        used.set_value();
    });
    EXPECT_EQ(used.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready)
        << "reading and writing values waited for the save";
    save.release();
    user.join();
}

TEST_F(UserDefaultsTest, ALaterSaveIsNeverOverwrittenByAnEarlierOne)
{
    UserDefaults defaults("d");
    defaults.setValue(str("older").get(), "k");
    {
        HeldSave save(defaults);  // holds a snapshot with "older"
        defaults.setValue(str("newer").get(), "k");
        std::thread laterSave([&] { EXPECT_TRUE(defaults.synchronize()); });
        save.release();
        laterSave.join();
    }
    EXPECT_EQ(storedString(UserDefaults("d"), "k"), "newer");
}

} // namespace
