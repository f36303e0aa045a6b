#pragma once

#include "foundation/objects/String.h"

namespace appkit {

inline constexpr std::string_view ApplicationDidFinishLaunchingNotification = "NSApplicationDidFinishLaunchingNotification";
inline constexpr std::string_view ApplicationWillTerminateNotification = "NSApplicationWillTerminateNotification";

// A named event and the object it is about, as delegates receive it.
class Notification final : public foundation::Object {
public:
    static foundation::Ref<Notification> create(std::string_view name, foundation::Object* object);

    foundation::String& name() const noexcept { return *name_; }
    foundation::Object* object() const noexcept { return object_.get(); }

    const char* className() const override { return "NSNotification"; }
    std::string description() const override;

private:
    Notification(foundation::Ref<foundation::String> name, foundation::Object* object) noexcept
        : name_(std::move(name)), object_(object) {}

    foundation::Ref<foundation::String> name_;
    foundation::Ref<foundation::Object> object_;
};

} // namespace appkit
