#include "appkit/ClassRegistry.h"

#include "appkit/Button.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"

#include <map>
#include <mutex>

namespace appkit {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, ClassRegistry::Maker, std::less<>> makers;

    Registry()
    {
        makers.emplace("Window", [](Coder& coder) { return foundation::Ref<foundation::Object>(Window::initWithCoder(coder)); });
        makers.emplace("View", [](Coder& coder) { return foundation::Ref<foundation::Object>(View::initWithCoder<View>(coder)); });
        makers.emplace("TextField", [](Coder& coder) { return foundation::Ref<foundation::Object>(TextField::initWithCoder(coder)); });
        makers.emplace("Button", [](Coder& coder) { return foundation::Ref<foundation::Object>(Button::initWithCoder(coder)); });
    }
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

void ClassRegistry::registerClass(std::string name, Maker maker)
{
    Registry& classes = registry();
    std::lock_guard lock(classes.mutex);
    classes.makers.insert_or_assign(std::move(name), std::move(maker));
}

void ClassRegistry::registerClass(std::string name, PlainMaker maker)
{
    registerClass(std::move(name), [maker = std::move(maker)](Coder&) { return maker(); });
}

ClassRegistry::Maker ClassRegistry::makerForClass(std::string_view name)
{
    Registry& classes = registry();
    std::lock_guard lock(classes.mutex);
    auto found = classes.makers.find(name);
    return found == classes.makers.end() ? Maker() : found->second;
}

} // namespace appkit
