#pragma once

#include "foundation/objects/Error.h"
#include "foundation/objects/Object.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace appkit {

inline constexpr std::string_view UIDescriptionErrorDomain = "UIDescriptionErrorDomain";

// A loaded user-interface description: the objects it made, connected.
//
// The file is JSON:
//   {
//     "objects": [ <object>, ... ],                  the top-level objects
//     "outlets": { "<id>.<property>": "<id>", ... }, optional
//     "actions": { "<id>": "<id>.<action:>", ... }   optional
//   }
// An <object> is { "class": "<registered class>", "id": "<id>", attributes...,
// "contentView": <object>, "subviews": [ <object>, ... ] }; "id" is optional,
// "contentView" is sent to its owner as setContentView:, each of "subviews"
// as addSubview:. Every other key is an attribute, read by the class's
// maker through a Coder (strings, numbers, true or false); an attribute
// that no class reads is an error. Two ids are always there: "application"
// (the shared Application) and "owner" (the loader's owner, if given).
//
// Loading makes the objects depth first in file order, then connects the
// outlets (sending set<Property>: with the target object, by name) and the
// actions (sending setTarget: and setAction: to the sender, after checking
// that the target answers the action), all in file order; then it sends
// awakeFromNib to every object that answers it, and finally shows the
// windows marked "visibleAtLaunch". The loaded description keeps its
// top-level objects alive; the views live in their windows.
class UIDescription final : public foundation::Object {
public:
    // Null plus an error that names the file and what is wrong with it.
    [[nodiscard]] static foundation::Ref<UIDescription> load(const std::string& path,
                                                             foundation::Ref<foundation::Error>& error,
                                                             foundation::Object* owner = nullptr);

    const std::vector<foundation::Ref<foundation::Object>>& topLevelObjects() const noexcept { return topLevelObjects_; }
    // The object with that id, while it lives; null otherwise.
    foundation::Ref<foundation::Object> objectWithIdentifier(std::string_view identifier) const;

    const char* className() const override { return "UIDescription"; }

private:
    friend class UIDescriptionLoader;
    UIDescription() = default;

    std::vector<foundation::Ref<foundation::Object>> topLevelObjects_;
    std::map<std::string, foundation::WeakRef<foundation::Object>, std::less<>> objects_;
};

} // namespace appkit
