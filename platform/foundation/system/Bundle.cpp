#include "foundation/system/Bundle.h"

#include "foundation/system/FileIO.h"
#include "foundation/system/Log.h"
#include "foundation/system/StringsFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <dlfcn.h>

namespace foundation {

namespace {

namespace fs = std::filesystem;

bool isDirectory(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

bool isFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// The bundle that holds an executable file: its directory, or the bundle
// around it in the platform's layout.
std::string bundleAroundExecutable(const fs::path& executable)
{
    fs::path directory = executable.parent_path();
    if (directory.filename() == "MacOS" && directory.parent_path().filename() == "Contents")
        return directory.parent_path().parent_path().string();
    return directory.string();
}

// The user's language as a folder name: "de" from "de_DE.UTF-8".
std::optional<std::string> userLanguage()
{
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value)
            continue;
        std::string language(value);
        language = language.substr(0, language.find_first_of(":_.@"));
        if (language.empty() || language == "C" || language == "POSIX")
            return std::nullopt;
        // The name becomes a folder under Resources: "/tmp/x" would send the
        // strings lookup out of the bundle (into a directory anyone may fill).
        // Language names are letters, digits and hyphens ("zh-Hans").
        auto nameCharacter = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; };
        if (!std::all_of(language.begin(), language.end(), nameCharacter))
            return std::nullopt;
        return language;
    }
    return std::nullopt;
}

std::mutex bundlesMutex;

} // namespace

Bundle::Bundle(std::string path)
    : bundlePath_(std::move(path))
{
    resourcePath_ = bundlePath_;
    for (const char* folder : {"Contents/Resources", "Resources"}) {
        if (isDirectory(fs::path(bundlePath_) / folder)) {
            resourcePath_ = (fs::path(bundlePath_) / folder).string();
            break;
        }
    }
}

Ref<Bundle> Bundle::bundleWithPath(std::string_view path)
{
    std::error_code error;
    fs::path canonical = fs::canonical(fs::path(path), error);
    if (error || !isDirectory(canonical))
        return nullptr;
    // Bundles live as long as the process, like the platform's.
    static std::map<std::string, Ref<Bundle>>* bundles = new std::map<std::string, Ref<Bundle>>;
    std::lock_guard lock(bundlesMutex);
    Ref<Bundle>& bundle = (*bundles)[canonical.string()];
    if (!bundle)
        bundle = Ref<Bundle>::adopt(new Bundle(canonical.string()));
    return bundle;
}

Ref<Bundle> Bundle::mainBundle()
{
    std::error_code error;
    fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? nullptr : bundleWithPath(bundleAroundExecutable(executable));
}

Ref<Bundle> Bundle::bundleForAddress(const void* address)
{
    Dl_info info{};
    if (!::dladdr(address, &info) || !info.dli_fname || !*info.dli_fname)
        return nullptr;
    std::error_code error;
    fs::path file = fs::canonical(info.dli_fname, error);
    return error ? nullptr : bundleWithPath(bundleAroundExecutable(file));
}

std::vector<std::string> Bundle::searchFolders() const
{
    std::vector<std::string> folders;
    auto addLocalization = [&](const std::string& language) {
        fs::path folder = fs::path(resourcePath_) / (language + ".lproj");
        if (isDirectory(folder) && std::find(folders.begin(), folders.end(), folder.string()) == folders.end())
            folders.push_back(folder.string());
    };
    if (auto language = userLanguage())
        addLocalization(*language);
    addLocalization("en");
    addLocalization("Base");
    folders.push_back(resourcePath_);
    return folders;
}

std::optional<std::string> Bundle::pathForResource(std::string_view name, std::string_view type) const
{
    std::string fileName(name);
    if (!type.empty())
        fileName.append(1, '.').append(type);
    if (fileName.empty() || fileName.find('/') != std::string::npos)
        return std::nullopt;
    for (const std::string& folder : searchFolders()) {
        fs::path candidate = fs::path(folder) / fileName;
        if (isFile(candidate))
            return candidate.string();
    }
    return std::nullopt;
}

const StringsFile& Bundle::table(const std::string& name) const
{
    std::lock_guard lock(mutex_);
    auto found = tables_.find(name);
    if (found != tables_.end())
        return found->second;

    StringsFile parsed;
    if (auto path = pathForResource(name, "strings")) {
        std::string content;
        std::string error;
        if (int result = readFile(*path, content))
            error = std::string("it could not be read: ") + std::strerror(result);
        else
            parsed = StringsFile::parse(content, error);
        if (!error.empty())
            logDiagnostic("the strings table " + *path + " is ignored: " + error);
    }
    return tables_.emplace(name, std::move(parsed)).first->second;
}

Ref<String> Bundle::localizedStringForKey(std::string_view key, std::string_view value, std::string_view tableName) const
{
    const StringsFile& strings = table(tableName.empty() ? std::string("Localizable") : std::string(tableName));
    if (const std::string* found = strings.find(key))
        return String::createUnchecked(*found);
    Ref<String> fallback = String::create(value.empty() ? key : value);
    return fallback ? fallback : Ref<String>(String::empty());
}

std::string Bundle::description() const
{
    return "NSBundle <" + bundlePath_ + "> (loaded)";
}

} // namespace foundation
