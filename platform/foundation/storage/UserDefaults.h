#pragma once

#include "foundation/objects/Array.h"
#include "foundation/objects/Data.h"
#include "foundation/objects/Date.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/String.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace foundation {

// The user's settings of one domain: property-list values (strings, numbers,
// booleans, dates, data, arrays, dictionaries) under string keys, kept in
// memory and stored in one file per domain,
//   $XDG_CONFIG_HOME/<domain>.defaults.json   (XDG_CONFIG_HOME default ~/.config)
// in the JSON form described in PropertyList.h, which reads every value back
// exactly as it was set.
//
// The file is read when the object is made. A file that cannot be read
// as a defaults file is renamed to "<file>.unreadable-<time>" (never deleted),
// one line on standard error says so, and the domain starts empty. Writes go
// to a temporary file in the same directory, which is flushed to disk and
// then renamed over the old file, so a crash leaves either the old or the
// new file, never a torn one. Every operation is safe from any thread.
class UserDefaults {
public:
    // The application's domain (see setApplicationDomain).
    static UserDefaults& standardUserDefaults();
    // Names the application's domain, e.g. "org.zvk.corvane"; call it before
    // the first standardUserDefaults(). Without it the domain is the name of
    // the program. Raises an internal-inconsistency exception once the
    // standard defaults exist under another name. Domain names must be
    // usable as file names: not empty, no "/", not "." or "..".
    static void setApplicationDomain(std::string_view domain);

#if ENABLE_TEST_SEAMS
    // Saves and drops the standard defaults, so that the next
    // standardUserDefaults() reads its file afresh (as a restarted process
    // would) from the configuration directory the environment then names.
    static void resetStandardUserDefaults();
#endif

    // A domain stored in the configuration directory that the environment
    // names at the time of this call.
    explicit UserDefaults(std::string_view domain);
    // Saves what is unsaved.
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    const std::string& domain() const noexcept;
    const std::string& filePath() const noexcept;

    // The value stored under the key, or null.
    Ref<Object> valueForKey(std::string_view key) const;
    Ref<Object> objectForKey(std::string_view key) const { return valueForKey(key); }
    // Stores a deep immutable copy; null removes the key. A value that is
    // not a property list raises an invalid-argument exception.
    void setValue(Object* value, std::string_view key);
    void setObject(Object* value, std::string_view key) { setValue(value, key); }
    void removeObjectForKey(std::string_view key) { setValue(nullptr, key); }

    // Typed reads: null (or 0 / false) when the key is missing or holds
    // another type. Numbers read as integers or doubles whatever their type
    // code; strings are not converted.
    Ref<String> stringForKey(std::string_view key) const;
    Ref<Array> arrayForKey(std::string_view key) const;
    Ref<Dictionary> dictionaryForKey(std::string_view key) const;
    Ref<Data> dataForKey(std::string_view key) const;
    Ref<Date> dateForKey(std::string_view key) const;
    std::int64_t integerForKey(std::string_view key) const;
    double doubleForKey(std::string_view key) const;
    bool boolForKey(std::string_view key) const;
    void setInteger(std::int64_t value, std::string_view key);
    void setDouble(double value, std::string_view key);
    void setBool(bool value, std::string_view key);

    // Writes unsaved changes to the file now. Answers whether the file holds
    // every change; after a failure the changes stay in memory and the next
    // synchronize (or the end of the process) tries again.
    bool synchronize();

private:
    class Storage;
    std::unique_ptr<Storage> storage_;
};

} // namespace foundation
