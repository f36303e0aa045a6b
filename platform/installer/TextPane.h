#pragma once

#include "installer/InstallerPane.h"

namespace installer {

// A pane of the installer's own that only shows text: the introduction and
// the finish pane around the plug-in's panes.
class TextPane final : public InstallerPane {
public:
    static foundation::Ref<TextPane> create(std::string_view title, std::string_view text);

    foundation::Ref<foundation::String> title() const override { return title_; }

    const char* className() const override { return "InstallerTextPane"; }

private:
    explicit TextPane(foundation::Ref<foundation::String> title) : title_(std::move(title)) {}

    foundation::Ref<foundation::String> title_;
};

} // namespace installer
