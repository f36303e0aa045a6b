#pragma once

#include "foundation/objects/Object.h"
#include "foundation/objects/Ref.h"

#include <functional>
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
// one diagnostic says so (logDiagnostic), and the domain starts empty.
// Writes go to a temporary file in the same directory, which is flushed to
// disk and then renamed over the old file, so a crash leaves either the old
// or the new file, never a torn one. Every operation is safe from any thread.
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

    // The value stored under the key, or null; the caller checks its kind.
    Ref<Object> valueForKey(std::string_view key) const;
    // Stores a deep immutable copy; null removes the key. A value that is
    // not a property list raises an invalid-argument exception.
    void setValue(Object* value, std::string_view key);

    // Writes unsaved changes to the file now. Answers whether the file holds
    // every change made before the call; after a failure a diagnostic names
    // the step that failed and the system's reason (logDiagnostic), and the
    // changes stay in memory for the next synchronize (or the end of the
    // process) to try again. Readers and writers of values do not wait
    // while the file is written and flushed to disk; concurrent calls write
    // one after the other, each a snapshot at least as new as the last.
    bool synchronize();

#if ENABLE_TEST_SEAMS
    // Called on the saving thread with each snapshot about to be written,
    // outside the lock that readers and writers of values take.
    void setWillWriteObserver(std::function<void()> observer);
#endif

private:
    class Storage;
    std::unique_ptr<Storage> storage_;
};

} // namespace foundation
