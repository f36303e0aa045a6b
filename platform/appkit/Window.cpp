#include "appkit/Window.h"

#include "appkit/MainThread.h"
#include "appkit/OperationArguments.h"

namespace appkit {

using foundation::Object;
using foundation::Ref;
using foundation::String;

namespace {

WindowDisplay* currentDisplay = nullptr;

Ref<Color> defaultBackgroundColor()
{
    return Color::colorWithWhite(0.93, 1);
}

} // namespace

Window::Window()
    : title_(foundation::str("Window"))
    , backgroundColor_(defaultBackgroundColor())
    , contentView_(View::create())
{
    contentView_->window_ = this;
}

Window::Window(Coder& coder)
    : Window()
{
    if (auto title = coder.decodeStringForKey("title"))
        title_ = foundation::str(*title);
    visibleAtLaunch_ = coder.decodeBoolForKey("visibleAtLaunch");
    level_ = static_cast<long>(coder.decodeIntegerForKey("level"));
    if (coder.containsValueForKey("opaque"))
        opaque_ = coder.decodeBoolForKey("opaque");
}

Ref<Window> Window::create()
{
    return Ref<Window>::adopt(new Window);
}

Ref<Window> Window::initWithCoder(Coder& coder)
{
    auto window = Ref<Window>::adopt(new Window(coder));
    if (coder.hasFailed())
        return nullptr;
    return window;
}

Window::~Window()
{
    contentView_->window_ = nullptr;
    if (visible_ && currentDisplay)
        currentDisplay->windowNeedsDisplay(*this);
}

void Window::setDisplay(WindowDisplay* display) noexcept
{
    requireMainThread();
    currentDisplay = display;
}

WindowDisplay* Window::display() noexcept
{
    return currentDisplay;
}

void Window::setTitle(Ref<String> title)
{
    requireMainThread();
    title_ = title ? std::move(title) : Ref<String>(String::empty());
    viewNeedsDisplay();
}

void Window::setBackgroundColor(Ref<Color> color)
{
    requireMainThread();
    backgroundColor_ = color ? std::move(color) : defaultBackgroundColor();
}

void Window::setLevel(long level) noexcept
{
    requireMainThread();
    level_ = level;
}

void Window::setOpaque(bool opaque) noexcept
{
    requireMainThread();
    opaque_ = opaque;
}

void Window::setContentView(Ref<View> view)
{
    requireMainThread();
    FOUNDATION_PARAMETER_ASSERT(view);
    if (view == contentView_)
        return;
    view->removeFromSuperview();
    contentView_->window_ = nullptr;
    contentView_ = std::move(view);
    contentView_->window_ = this;
    viewNeedsDisplay();
}

void Window::makeKeyAndOrderFront(Object*)
{
    requireMainThread();
    visible_ = true;
    if (currentDisplay)
        currentDisplay->windowDidOrderFront(*this);
}

void Window::orderOut(Object*)
{
    requireMainThread();
    if (!visible_)
        return;
    visible_ = false;
    if (currentDisplay)
        currentDisplay->windowNeedsDisplay(*this);
}

void Window::close()
{
    orderOut(nullptr);
}

void Window::viewNeedsDisplay()
{
    requireMainThread();
    if (visible_ && currentDisplay)
        currentDisplay->windowNeedsDisplay(*this);
}

namespace {
Window& window(Object& object) { return static_cast<Window&>(object); }
}

const foundation::OperationTable& Window::operations() const
{
    static const foundation::OperationTable table(&Object::operations(), {
        {"makeKeyAndOrderFront:", [](Object& self, Object* sender) -> Ref<Object> {
            window(self).makeKeyAndOrderFront(sender);
            return nullptr;
        }},
        {"orderOut:", [](Object& self, Object* sender) -> Ref<Object> {
            window(self).orderOut(sender);
            return nullptr;
        }},
        {"close", [](Object& self, Object*) -> Ref<Object> {
            window(self).close();
            return nullptr;
        }},
        {"performClose:", [](Object& self, Object*) -> Ref<Object> {
            window(self).close();
            return nullptr;
        }},
        {"isVisible", [](Object& self, Object*) -> Ref<Object> {
            return arguments::boolean(window(self).isVisible());
        }},
        {"title", [](Object& self, Object*) -> Ref<Object> {
            return Ref(&window(self).title());
        }},
        arguments::setter<"setTitle:", arguments::Text, &Window::setTitle>(),
        {"level", [](Object& self, Object*) -> Ref<Object> {
            return foundation::Number::withSigned(window(self).level(), 'l');
        }},
        arguments::setter<"setLevel:", arguments::Integer, &Window::setLevel>(),
        {"backgroundColor", [](Object& self, Object*) -> Ref<Object> {
            return Ref(&window(self).backgroundColor());
        }},
        arguments::setter<"setBackgroundColor:", arguments::Instance<Color, "a colour">,
                          &Window::setBackgroundColor>(),
        {"isOpaque", [](Object& self, Object*) -> Ref<Object> {
            return arguments::boolean(window(self).isOpaque());
        }},
        arguments::setter<"setOpaque:", arguments::Boolean, &Window::setOpaque>(),
        {"contentView", [](Object& self, Object*) -> Ref<Object> {
            return Ref(window(self).contentView());
        }},
        {"setContentView:", [](Object& self, Object* argument) -> Ref<Object> {
            auto* view = arguments::objectOf<View>(self, "setContentView:", argument, "a view");
            FOUNDATION_PARAMETER_ASSERT(view);
            window(self).setContentView(Ref(view));
            return nullptr;
        }},
    });
    return table;
}

} // namespace appkit
