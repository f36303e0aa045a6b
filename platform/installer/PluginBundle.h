#pragma once

#include "installer/PaneSequence.h"

#include "foundation/system/Bundle.h"

#include <string>
#include <vector>

namespace installer {

// An installer plug-in bundle, laid out as on the platform:
//   Name.bundle/Contents/MacOS/Name                      the shared library
//   Name.bundle/Contents/Resources/InstallerSections.json the section list
//   Name.bundle/Contents/Resources/<pane>.ui              each pane's UI description
//   Name.bundle/Contents/Resources/Localizable.strings    its strings
// The section list names the panes in order, by class and UI description:
//   {"SectionOrder": [{"InstallerPaneClass": "QuillonPane", "UIDescription": "QuillonPane"}]}
//
// Loading opens the library with dlopen, which runs its static
// initialisers: that is where the plug-in registers its pane classes with
// the UI description's class registry. The library stays loaded for the
// life of the process. The plug-in is trusted code, run in the installer's
// process with its rights, as on the platform. Main thread only.
class PluginBundle {
public:
    struct Section {
        std::string paneClass;
        std::string uiDescription;  // resource name, without ".ui"
    };

    // False, with `error` saying what and where, when the bundle, its
    // library or its section list cannot be used.
    [[nodiscard]] bool load(const std::string& path, std::string& error);

    // A pane of each section, made by class name, with its UI description
    // loaded and its outlets and actions connected (the pane is the
    // description's owner, whose "contentView" outlet must be connected).
    // False, with `error`, at the first section that cannot be made.
    [[nodiscard]] bool makePanes(std::vector<PaneSequence::Entry>& panes, std::string& error) const;

    foundation::Bundle* bundle() const noexcept { return bundle_.get(); }
    const std::vector<Section>& sections() const noexcept { return sections_; }

private:
    [[nodiscard]] bool readSections(std::string& error);

    foundation::Ref<foundation::Bundle> bundle_;
    std::vector<Section> sections_;
};

} // namespace installer
