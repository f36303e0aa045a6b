#include "agent/AppDelegate.h"

#include "agent/Classes/ASView.h"

#include "appkit/CGWindowLevel.h"
#include "appkit/ClassRegistry.h"
#include "appkit/Color.h"
#include "appkit/OperationArguments.h"
#include "foundation/objects/Number.h"
#include "foundation/system/Log.h"

namespace corvane {

using foundation::Object;
using foundation::Ref;

Ref<AppDelegate> AppDelegate::create()
{
    return Ref<AppDelegate>::adopt(new AppDelegate);
}

void AppDelegate::applicationDidFinishLaunching(Object*)
{
    setupWindow();
    ProductPaths paths = ProductPaths::current();
    UpdateTrust trust = UpdateTrust::ofThisBuild();
    if (!trust.key)
        foundation::logDiagnostic("updates are not verified: this build has no update key (UPDATE_PUBLIC_KEY)");
    auto checker = std::make_unique<ErlangVersionChecker>(paths.installedVersionFile);
    updater_ = Updater::create(std::move(checker), this, std::move(paths), std::move(trust));
}

void AppDelegate::applicationWillTerminate(Object*)
{
    // Nothing to save: the skip setting is written when it is made, and the
    // window, the timer and any download are left as they are.
}

void AppDelegate::setupWindow()
{
    hideWindow();
    window()->setLevel(floatingWindowLevel());
    window()->setBackgroundColor(appkit::Color::clearColor());
    window()->setOpaque(false);
}

long AppDelegate::floatingWindowLevel()
{
    return static_cast<long>(appkit::CGWindowLevelForKey(static_cast<std::int32_t>(appkit::kCGFloatingWindowLevelKey)));
}

void AppDelegate::showWindow(const std::string& version)
{
    versionLabel()->setStringValue(foundation::String::createUnchecked(std::string(MessagePrefix) + version));
    window()->makeKeyAndOrderFront(this);
}

void AppDelegate::hideWindow()
{
    window()->orderOut(this);
}

bool AppDelegate::windowIsVisible()
{
    return window()->isVisible();
}

void AppDelegate::downloadButtonTapped(Object*)
{
    hideWindow();
    updater_->downloadAndRunNewVersion();
}

void AppDelegate::skipVersionButtonTapped(Object*)
{
    updater_->skipVersion();
    hideWindow();
}

void AppDelegate::remindLaterTapped(Object*)
{
    hideWindow();
}

namespace {

AppDelegate& delegateOf(Object& receiver)
{
    return static_cast<AppDelegate&>(receiver);
}

// An action or notification sent by name: one object argument, no result.
template <void (AppDelegate::*method)(Object*)>
Ref<Object> send(Object& receiver, Object* argument)
{
    (delegateOf(receiver).*method)(argument);
    return nullptr;
}

} // namespace

const foundation::OperationTable& AppDelegate::operations() const
{
    using appkit::arguments::objectOf;
    static const foundation::OperationTable table(&Object::operations(), {
        {"window", [](Object& o, Object*) -> Ref<Object> { return delegateOf(o).window(); }},
        {"setWindow:", [](Object& o, Object* window) -> Ref<Object> {
             delegateOf(o).setWindow(objectOf<appkit::Window>(o, "setWindow:", window, "a window"));
             return nullptr;
         }},
        {"versionLabel", [](Object& o, Object*) -> Ref<Object> { return delegateOf(o).versionLabel(); }},
        {"setVersionLabel:", [](Object& o, Object* label) -> Ref<Object> {
             delegateOf(o).setVersionLabel(objectOf<appkit::TextField>(o, "setVersionLabel:", label, "a text field"));
             return nullptr;
         }},
        {"downloadButtonTapped:", send<&AppDelegate::downloadButtonTapped>},
        {"skipVersionButtonTapped:", send<&AppDelegate::skipVersionButtonTapped>},
        {"remindLaterTapped:", send<&AppDelegate::remindLaterTapped>},
        {"applicationDidFinishLaunching:", send<&AppDelegate::applicationDidFinishLaunching>},
        {"applicationWillTerminate:", send<&AppDelegate::applicationWillTerminate>},
        {"showWindow:", [](Object& o, Object* version) -> Ref<Object> {
             delegateOf(o).showWindow(std::string(appkit::arguments::stringOf(o, "showWindow:", version)->utf8()));
             return nullptr;
         }},
        {"hideWindow", [](Object& o, Object*) -> Ref<Object> {
             delegateOf(o).hideWindow();
             return nullptr;
         }},
        {"windowIsVisible", [](Object& o, Object*) -> Ref<Object> {
             return appkit::arguments::boolean(delegateOf(o).windowIsVisible());
         }},
        {"init", [](Object& o, Object*) -> Ref<Object> { return Ref<Object>(&o); }},
    });
    return table;
}

void registerAgentClasses()
{
    appkit::ClassRegistry::registerClass("AppDelegate", appkit::ClassRegistry::PlainMaker([] { return Ref<Object>(AppDelegate::create()); }));
    appkit::ClassRegistry::registerClass("ASView", appkit::ClassRegistry::Maker([](appkit::Coder& coder) {
        return Ref<Object>(ASView::initWithCoder(coder));
    }));
}

} // namespace corvane
