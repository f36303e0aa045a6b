#include "installer/PluginBundle.h"

#include "appkit/ClassRegistry.h"
#include "appkit/Quoted.h"

#include "foundation/system/FileIO.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <dlfcn.h>
#include <filesystem>

namespace installer {

using foundation::Ref;

namespace {

// "Name.bundle" names its library "Name". The bundle's path is the resolved
// one: a path as typed ("." inside the bundle, "Quillon.bundle/.", a
// symbolic link of another name) need not end in the bundle's name.
std::string libraryPath(const foundation::Bundle& bundle)
{
    std::filesystem::path bundlePath(bundle.bundlePath());
    return (bundlePath / "Contents" / "MacOS" / bundlePath.filename().stem()).string();
}

} // namespace

bool PluginBundle::load(const std::string& path, std::string& error)
{
    bundle_ = foundation::Bundle::bundleWithPath(path);
    if (!bundle_) {
        error = path + ": not a bundle directory";
        return false;
    }
    std::string library = libraryPath(*bundle_);
    // Never closed: the classes it registered are in use until the end.
    if (!::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        const char* reason = ::dlerror();
        error = library + ": cannot load the plug-in: " + (reason ? reason : "unknown reason");
        return false;
    }
    return readSections(error);
}

bool PluginBundle::readSections(std::string& error)
{
    auto path = bundle_->pathForResource("InstallerSections", "json");
    if (!path) {
        error = bundle_->bundlePath() + ": the bundle has no section list (InstallerSections.json)";
        return false;
    }
    std::string text;
    if (int readError = foundation::readFile(*path, text)) {
        error = *path + ": cannot read the section list: " + std::strerror(readError);
        return false;
    }
    nlohmann::json list = nlohmann::json::parse(text, nullptr, false);
    const char* shape = ": must read {\"SectionOrder\": [{\"InstallerPaneClass\": \"<class>\", \"UIDescription\": \"<name>\"}, ...]}";
    if (list.is_discarded() || !list.is_object() || !list.contains("SectionOrder") || !list["SectionOrder"].is_array()) {
        error = *path + shape;
        return false;
    }
    sections_.clear();
    for (const auto& entry : list["SectionOrder"]) {
        if (!entry.is_object() || !entry.contains("InstallerPaneClass") || !entry["InstallerPaneClass"].is_string()
            || !entry.contains("UIDescription") || !entry["UIDescription"].is_string()) {
            error = *path + shape;
            return false;
        }
        sections_.push_back({entry["InstallerPaneClass"].get<std::string>(), entry["UIDescription"].get<std::string>()});
    }
    if (sections_.empty()) {
        error = *path + ": the section list names no pane";
        return false;
    }
    return true;
}

bool PluginBundle::makePanes(std::vector<PaneSequence::Entry>& panes, std::string& error) const
{
    for (const auto& section : sections_) {
        auto maker = appkit::ClassRegistry::makerForClass(section.paneClass);
        if (!maker) {
            error = bundle_->bundlePath() + ": the plug-in registered no class " + appkit::inQuotes(section.paneClass);
            return false;
        }
        appkit::Coder noAttributes(section.paneClass, {});
        Ref<foundation::Object> object = maker(noAttributes);
        Ref<InstallerPane> pane(dynamic_cast<InstallerPane*>(object.get()));
        if (!pane) {
            error = bundle_->bundlePath() + ": class " + appkit::inQuotes(section.paneClass) + " is not an installer pane";
            return false;
        }
        auto descriptionPath = bundle_->pathForResource(section.uiDescription, "ui");
        if (!descriptionPath) {
            error = bundle_->bundlePath() + ": no UI description " + appkit::inQuotes(section.uiDescription + ".ui");
            return false;
        }
        Ref<foundation::Error> loadError;
        Ref<appkit::UIDescription> description = appkit::UIDescription::load(*descriptionPath, loadError, pane.get());
        if (!description) {
            error = loadError->localizedDescription();
            return false;
        }
        if (!pane->contentView()) {
            error = *descriptionPath + ": no outlet connects \"owner.contentView\"";
            return false;
        }
        panes.push_back({pane, description});
    }
    return true;
}

} // namespace installer
