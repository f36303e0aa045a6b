#include "foundation/objects/Exception.h"
#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "foundation/storage/UserDefaults.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <limits>
#include <thread>

#include <sys/stat.h>

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

class UserDefaultsTest : public ::testing::Test {
protected:
    fs::path file(std::string_view domain) const { return directory / (std::string(domain) + ".defaults.json"); }

    testsupport::TemporaryDirectory directory;
    testsupport::ScopedEnvironment configHome{"XDG_CONFIG_HOME", directory.path().string()};
};

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
    ::testing::internal::CaptureStderr();
    UserDefaults defaults("org.zvk.corvane");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "the file was not read back";
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

TEST_F(UserDefaultsTest, StoresACopyNullRemovesAndWhatIsNoPropertyListIsRefused)
{
    {
        UserDefaults defaults("d");
        Ref<MutableDictionary> settings = MutableDictionary::create();
        settings->setObject(str("a").get(), "k");
        defaults.setValue(settings.get(), "settings");
        settings->setObject(str("b").get(), "k");
        EXPECT_EQ(defaults.dictionaryForKey("settings")->objectForKey("k")->description(), "a");

        defaults.setValue(str("1.0").get(), "skipVersion");
        EXPECT_TRUE(defaults.synchronize());
        defaults.setValue(nullptr, "skipVersion");
        EXPECT_FALSE(defaults.valueForKey("skipVersion"));

        EXPECT_THROW(defaults.setValue(Null::null(), "k"), Exception);
        Ref<Dictionary> numberKeyed = Dictionary::create({{Number::withSigned(1).get(), str("x").get()}});
        EXPECT_THROW(defaults.setValue(Array::create({numberKeyed.get()}).get(), "k"), Exception);
        EXPECT_FALSE(defaults.valueForKey("k"));
    }
    EXPECT_FALSE(UserDefaults("d").valueForKey("skipVersion"));
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
        ::testing::internal::CaptureStderr();
        UserDefaults defaults("d");
        std::string stderrText = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
        EXPECT_NE(stderrText.find(file("d").string()), std::string::npos) << stderrText;
        EXPECT_FALSE(defaults.valueForKey("k"));

        std::vector<std::string> names = filesIn(directory.path());
        ASSERT_EQ(names.size(), 1u);
        EXPECT_TRUE(names[0].starts_with("d.defaults.json.unreadable-")) << names[0];
        EXPECT_EQ(testsupport::readFile(directory / names[0]), content);

        defaults.setValue(str("2.0").get(), "skipVersion");
        EXPECT_TRUE(defaults.synchronize());
        EXPECT_EQ(UserDefaults("d").stringForKey("skipVersion")->utf8(), "2.0");
        fs::remove(directory / names[0]);
        fs::remove(file("d"));
    }
}

TEST_F(UserDefaultsTest, WritesLeaveNoTemporariesAreForTheUserOnlyAndSurviveAFailure)
{
    testsupport::ScopedEnvironment blocked("XDG_CONFIG_HOME", (directory / "config").string());
    directory.write("config", "a file where the directory should be");
    UserDefaults defaults("d");
    defaults.setValue(str("1.0").get(), "skipVersion");
    EXPECT_FALSE(defaults.synchronize());
    fs::remove(directory / "config");
    EXPECT_TRUE(defaults.synchronize());  // keeps the changes, and makes the missing directory
    EXPECT_EQ(UserDefaults("d").stringForKey("skipVersion")->utf8(), "1.0");

    EXPECT_EQ(filesIn(directory / "config"), std::vector<std::string>{"d.defaults.json"});
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
                defaults.setInteger(i, key);
                EXPECT_EQ(defaults.integerForKey(key), i);
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
            EXPECT_EQ(reread.integerForKey(std::to_string(t * 1000 + i)), i);
}

} // namespace
