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
        {"setCornerRadius:", [](Object& self, Object* argument) -> Ref<Object> {
            layer(self).setCornerRadius(arguments::numberOf(self, "setCornerRadius:", argument).doubleValue());
            return nullptr;
        }},
        {"borderWidth", [](Object& self, Object*) -> Ref<Object> {
            return Number::withDouble(layer(self).borderWidth());
        }},
        {"setBorderWidth:", [](Object& self, Object* argument) -> Ref<Object> {
            layer(self).setBorderWidth(arguments::numberOf(self, "setBorderWidth:", argument).doubleValue());
            return nullptr;
        }},
        {"shadowOpacity", [](Object& self, Object*) -> Ref<Object> {
            return Number::withDouble(layer(self).shadowOpacity());
        }},
        {"setShadowOpacity:", [](Object& self, Object* argument) -> Ref<Object> {
            layer(self).setShadowOpacity(arguments::numberOf(self, "setShadowOpacity:", argument).doubleValue());
            return nullptr;
        }},
        {"masksToBounds", [](Object& self, Object*) -> Ref<Object> {
            return arguments::boolean(layer(self).masksToBounds());
        }},
        {"setMasksToBounds:", [](Object& self, Object* argument) -> Ref<Object> {
            layer(self).setMasksToBounds(arguments::numberOf(self, "setMasksToBounds:", argument).boolValue());
            return nullptr;
        }},
    });
    return table;
}

} // namespace appkit
