#include "appkit/Application.h"

#include "appkit/OperationArguments.h"

namespace appkit {

using foundation::Object;
using foundation::Ref;

Application& Application::shared()
{
    static Application* application = new Application;
    return *application;
}

void Application::setArguments(int argc, const char* const* argv)
{
    arguments_.assign(argv, argv + argc);
}

const foundation::OperationTable& Application::operations() const
{
    static const foundation::OperationTable table(&Object::operations(), {
        {"delegate", [](Object& self, Object*) -> Ref<Object> {
            return static_cast<Application&>(self).delegate();
        }},
        arguments::setter<"setDelegate:", arguments::AnyObject, &Application::setDelegate>(),
    });
    return table;
}

} // namespace appkit
