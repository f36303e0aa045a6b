#pragma once

#include "foundation/objects/String.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foundation {

class StringsFile;

// A bundle directory: code plus resources. Both the platform's layout and a
// flat one work; resources are looked up in the first of
//   <bundle>/Contents/Resources, <bundle>/Resources, <bundle>
// that exists. A table's strings come from "<table>.strings" in the first
// of these folders of the resource directory that has it:
//   <language>.lproj for the user's language (LANGUAGE, LC_ALL, LC_MESSAGES,
//   LANG), en.lproj, Base.lproj, and the resource directory itself.
class Bundle final : public Object {
public:
    // Null when the path is not a directory. One instance per directory.
    static Ref<Bundle> bundleWithPath(std::string_view path);
    // The bundle of the running program: the directory of its executable,
    // or the bundle around it when it sits in <bundle>/Contents/MacOS.
    static Ref<Bundle> mainBundle();
    // The bundle of the executable or shared object holding `address` (pass
    // the address of a function of a plug-in to find the plug-in's bundle).
    static Ref<Bundle> bundleForAddress(const void* address);

    const std::string& bundlePath() const noexcept { return bundlePath_; }
    const std::string& resourcePath() const noexcept { return resourcePath_; }
    // The path of "<name>.<type>" ("<name>" when the type is empty) among the
    // resources, localized folders first; none when there is no such file.
    std::optional<std::string> pathForResource(std::string_view name, std::string_view type) const;

    // The string for the key in the table ("Localizable" when the table is
    // empty). A missing key, table or unreadable table gives `value` when it
    // is not empty, else the key. A table that cannot be read or parsed is
    // reported once (logDiagnostic) and then treated as missing.
    Ref<String> localizedStringForKey(std::string_view key, std::string_view value, std::string_view table) const;

    const char* className() const override { return "NSBundle"; }
    std::string description() const override;

private:
    explicit Bundle(std::string path);
    std::vector<std::string> searchFolders() const;
    const StringsFile& table(const std::string& name) const;

    std::string bundlePath_;
    std::string resourcePath_;
    mutable std::mutex mutex_;
    mutable std::map<std::string, StringsFile, std::less<>> tables_;
};

} // namespace foundation
