#include "foundation/Exception.h"
#include "foundation/Null.h"
#include "foundation/Number.h"
#include "foundation/UserDefaults.h"

#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <thread>

#include <sys/stat.h>

using foundation::Array;
using foundation::Data;
using foundation::Date;
using foundation::Dictionary;
using foundation::Number;
using foundation::Object;
using foundation::Ref;
using foundation::str;
using foundation::String;
using foundation::UserDefaults;

namespace fs = std::filesystem;

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    fs::path file(std::string_view domain) const { return directory / (std::string(domain) + ".defaults.json"); }
    std::vector<std::string> filesInDirectory() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testsupport::TemporaryDirectory directory;
    testsupport::ScopedEnvironment configHome{"XDG_CONFIG_HOME", directory.path().string()};
};

Ref<Number> numberAt(const UserDefaults& defaults, std::string_view key)
{
    Ref<Object> value = defaults.valueForKey(key);
    EXPECT_TRUE(value && value->isNumber()) << key;
    return value && value->isNumber() ? foundation::static_ref_cast<Number>(value) : Number::withSigned(0);
}

TEST_F(UserDefaultsTest, EveryPropertyListTypeReadsBackExactlyAfterARestart)
{
    std::string allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes += static_cast<char>(i);
    {
        UserDefaults defaults("org.zvk.corvane");
        defaults.setValue(str("26.1.2 \xE2\x80\x94 \"quoted\"\n").get(), "skipVersion");
        defaults.setValue(Number::withSigned(-128, 'c').get(), "char");
        defaults.setValue(Number::withSigned(std::numeric_limits<std::int64_t>::min()).get(), "min");
        defaults.setValue(Number::withUnsigned(std::numeric_limits<std::uint64_t>::max()).get(), "max");
        defaults.setValue(Number::withUnsigned(65535, 'S').get(), "ushort");
        defaults.setValue(Number::withDouble(0.1).get(), "tenth");
        defaults.setValue(Number::withDouble(-0.0).get(), "negativeZero");
        defaults.setValue(Number::withDouble(std::numeric_limits<double>::denorm_min()).get(), "tiny");
        defaults.setValue(Number::withDouble(NAN).get(), "nan");
        defaults.setValue(Number::withDouble(-INFINITY).get(), "minusInfinity");
        defaults.setValue(Number::withFloat(1.1f).get(), "float");
        defaults.setBool(true, "yes");
        defaults.setBool(false, "no");
        defaults.setValue(Date::withTimeIntervalSince1970(1796411105.123456).get(), "when");
        defaults.setValue(Data::create(allBytes).get(), "bytes");
        Ref<Dictionary> inner = Dictionary::create({{str("list").get(), Array::create({str("a").get(), Number::boolean(false)}).get()},
                                                    {str("empty").get(), Dictionary::create().get()}});
        defaults.setValue(Array::create({inner.get(), Array::create().get(), Data::create("").get()}).get(), "nested");
        EXPECT_TRUE(defaults.synchronize());
    }
    UserDefaults defaults("org.zvk.corvane");
    EXPECT_EQ(defaults.stringForKey("skipVersion")->utf8(), "26.1.2 \xE2\x80\x94 \"quoted\"\n");
    EXPECT_EQ(numberAt(defaults, "char")->typeCode(), 'c');
    EXPECT_EQ(numberAt(defaults, "char")->int64Value(), -128);
    EXPECT_EQ(numberAt(defaults, "min")->int64Value(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(numberAt(defaults, "max")->uint64Value(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(numberAt(defaults, "ushort")->typeCode(), 'S');
    EXPECT_EQ(numberAt(defaults, "tenth")->doubleValue(), 0.1);
    EXPECT_TRUE(std::signbit(numberAt(defaults, "negativeZero")->doubleValue()));
    EXPECT_EQ(numberAt(defaults, "tiny")->doubleValue(), std::numeric_limits<double>::denorm_min());
    EXPECT_TRUE(std::isnan(numberAt(defaults, "nan")->doubleValue()));
    EXPECT_EQ(numberAt(defaults, "minusInfinity")->doubleValue(), -INFINITY);
    EXPECT_EQ(numberAt(defaults, "float")->typeCode(), 'f');
    EXPECT_EQ(static_cast<float>(numberAt(defaults, "float")->doubleValue()), 1.1f);
    EXPECT_EQ(defaults.valueForKey("yes").get(), Number::trueValue());
    EXPECT_EQ(defaults.valueForKey("no").get(), Number::falseValue());
    EXPECT_EQ(defaults.dateForKey("when")->timeIntervalSince1970(), 1796411105.123456);
    EXPECT_EQ(defaults.dataForKey("bytes")->view(), allBytes);
    Ref<Array> nested = defaults.arrayForKey("nested");
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->description(), R"((
        {
        empty =         {
        };
        list =         (
            a,
            0
        );
    },
        (
    ),
    {length = 0, bytes = 0x}
))") << nested->description();
}

TEST_F(UserDefaultsTest, NullRemovesAndTheRemovalIsStored)
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

TEST_F(UserDefaultsTest, StoresACopySoLaterChangesToTheValueDoNotLeakIn)
{
    UserDefaults defaults("d");
    Ref<foundation::MutableDictionary> settings = foundation::MutableDictionary::create();
    settings->setObject(str("a").get(), "k");
    defaults.setValue(settings.get(), "settings");
    settings->setObject(str("b").get(), "k");
    EXPECT_EQ(defaults.dictionaryForKey("settings")->objectForKey("k")->description(), "a");
}

TEST_F(UserDefaultsTest, ValuesThatAreNotPropertyListsAreRejected)
{
    UserDefaults defaults("d");
    EXPECT_THROW(defaults.setValue(foundation::Null::null(), "k"), foundation::Exception);
    Ref<Dictionary> numberKeyed = Dictionary::create({{Number::withSigned(1).get(), str("x").get()}});
    EXPECT_THROW(defaults.setValue(Array::create({numberKeyed.get()}).get(), "k"), foundation::Exception);
    EXPECT_FALSE(defaults.valueForKey("k"));
}

TEST_F(UserDefaultsTest, AValueOfAnotherTypeReadsAsNoStringAndIsLeftAlone)
{
    {
        UserDefaults defaults("d");
        defaults.setInteger(42, "skipVersion");
    }
    UserDefaults defaults("d");
    EXPECT_FALSE(defaults.stringForKey("skipVersion"));
    EXPECT_EQ(defaults.integerForKey("skipVersion"), 42);
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(UserDefaults("d").integerForKey("skipVersion"), 42);
}

TEST_F(UserDefaultsTest, CorruptFileIsMovedAsideWithOneLineAndTheDomainStartsEmpty)
{
    for (std::string content : {"{\"format\": \"defaults\", \"version\": 1, \"values\": {\"k\": {\"string\": 5}}}",
                                "skipVersion = 1.0;", "{\"format\": \"defaults\", \"vers"}) {
        SCOPED_TRACE(content);
        directory.write("d.defaults.json", content);
        ::testing::internal::CaptureStderr();
        UserDefaults defaults("d");
        std::string stderrText = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(stderrText.begin(), stderrText.end(), '\n'), 1) << stderrText;
        EXPECT_NE(stderrText.find(file("d").string()), std::string::npos) << stderrText;
        EXPECT_FALSE(defaults.valueForKey("k"));

        std::vector<std::string> names = filesInDirectory();
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

TEST_F(UserDefaultsTest, WritesLeaveNoTemporariesAndAreForTheUserOnly)
{
    UserDefaults defaults("d");
    defaults.setBool(true, "flag");
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(filesInDirectory(), std::vector<std::string>{"d.defaults.json"});
    struct stat status {};
    ASSERT_EQ(::stat(file("d").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(UserDefaultsTest, AFailedWriteKeepsTheChangesForTheNextSynchronize)
{
    testsupport::ScopedEnvironment blocked("XDG_CONFIG_HOME", (directory / "config").string());
    directory.write("config", "a file where the directory should be");
    UserDefaults defaults("d");
    defaults.setValue(str("1.0").get(), "skipVersion");
    EXPECT_FALSE(defaults.synchronize());
    fs::remove(directory / "config");
    EXPECT_TRUE(defaults.synchronize());  // also makes the missing directory
    EXPECT_EQ(UserDefaults("d").stringForKey("skipVersion")->utf8(), "1.0");
}

TEST_F(UserDefaultsTest, ARelativeConfigHomeIsIgnoredInFavourOfHome)
{
    testsupport::ScopedEnvironment home("HOME", (directory / "home").string());
    testsupport::ScopedEnvironment relative("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(UserDefaults("d").filePath(), (directory / "home/.config/d.defaults.json").string());
}

std::string keyFor(int thread, int index)
{
    std::string key = "k";
    key.append(std::to_string(thread)).append(1, '-').append(std::to_string(index));
    return key;
}

TEST_F(UserDefaultsTest, ConcurrentWritersAndReadersLoseNothing)
{
    UserDefaults defaults("d");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&defaults, t] {
            for (int i = 0; i < 100; ++i) {
                std::string key = keyFor(t, i);
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
            EXPECT_EQ(reread.integerForKey(keyFor(t, i)), i);
}

TEST_F(UserDefaultsTest, StandardDefaultsUseTheApplicationDomain)
{
    UserDefaults::setApplicationDomain("org.zvk.corvane-test");
    UserDefaults::resetStandardUserDefaults();
    UserDefaults& standard = UserDefaults::standardUserDefaults();
    EXPECT_EQ(&standard, &UserDefaults::standardUserDefaults());
    EXPECT_EQ(standard.filePath(), file("org.zvk.corvane-test").string());
    EXPECT_THROW(UserDefaults::setApplicationDomain("other"), foundation::Exception);
    EXPECT_THROW(UserDefaults::setApplicationDomain("../escape"), foundation::Exception);

    standard.setValue(str("27.0").get(), "skipVersion");
    UserDefaults::resetStandardUserDefaults();  // as if the program had been restarted
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey("skipVersion")->utf8(), "27.0");
    UserDefaults::resetStandardUserDefaults();
}

} // namespace
