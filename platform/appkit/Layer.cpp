#include "appkit/Layer.h"

#include "appkit/OperationArguments.h"

namespace appkit {

using foundation::Number;
using foundation::Object;
using foundation::Ref;

Ref<Layer> Layer::create()
{
    return Ref<Layer>::adopt(new Layer);
}

namespace {
Layer& layer(Object& object) { return static_cast<Layer&>(object); }
}

const foundation::OperationTable& Layer::operations() const
{
    static const foundation::OperationTable table(&Object::operations(), {
        {"cornerRadius", [](Object& self, Object*) -> Ref<Object> {
            return Number::withDouble(layer(self).cornerRadius());
        }},
        arguments::setter<"setCornerRadius:", arguments::Real, &Layer::setCornerRadius>(),
        {"borderWidth", [](Object& self, Object*) -> Ref<Object> {
            return Number::withDouble(layer(self).borderWidth());
        }},
        arguments::setter<"setBorderWidth:", arguments::Real, &Layer::setBorderWidth>(),
        {"shadowOpacity", [](Object& self, Object*) -> Ref<Object> {
            return Number::withDouble(layer(self).shadowOpacity());
        }},
        arguments::setter<"setShadowOpacity:", arguments::Real, &Layer::setShadowOpacity>(),
        {"masksToBounds", [](Object& self, Object*) -> Ref<Object> {
            return arguments::boolean(layer(self).masksToBounds());
        }},
        arguments::setter<"setMasksToBounds:", arguments::Boolean, &Layer::setMasksToBounds>(),
    });
    return table;
}

} // namespace appkit
