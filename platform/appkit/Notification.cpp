#include "appkit/Notification.h"

#include "foundation/objects/Format.h"

namespace appkit {

foundation::Ref<Notification> Notification::create(std::string_view name, foundation::Object* object)
{
    return foundation::Ref<Notification>::adopt(new Notification(foundation::str(name), object));
}

std::string Notification::description() const
{
    return foundation::format("NSConcreteNotification %p {name = %@; object = %@}", static_cast<const void*>(this),
                              name_, object_);
}

} // namespace appkit
