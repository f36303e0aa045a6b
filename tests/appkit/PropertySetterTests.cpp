// Setters by name, as a UI description calls them: each kind of argument
// reaches the property, and an argument of the wrong kind is refused in a
// message that names the class and the selector.
#include "appkit/Button.h"
#include "appkit/Color.h"
#include "appkit/Layer.h"
#include "appkit/Window.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/Number.h"
#include "support/Raises.h"

#include <gtest/gtest.h>

using namespace appkit;
using foundation::Number;
using foundation::str;

namespace {

::testing::AssertionResult refuses(foundation::Object& receiver, std::string_view selector, foundation::Object* argument,
                                   std::string_view reason)
{
    return testsupport::raises([&] { receiver.perform(selector, argument); },
                               foundation::ExceptionName::InvalidArgument, reason);
}

} // namespace

TEST(PropertySetters, EachKindOfArgumentReachesItsProperty)
{
    auto window = Window::create();
    window->perform("setTitle:", str("Update").get());
    window->perform("setLevel:", Number::withSigned(3, 'l').get());
    window->perform("setOpaque:", Number::boolean(false));
    window->perform("setBackgroundColor:", Color::lightGrayColor().get());
    EXPECT_EQ(window->title().utf8(), "Update");
    EXPECT_EQ(window->level(), 3);
    EXPECT_FALSE(window->isOpaque());
    EXPECT_TRUE(window->backgroundColor().isEqual(*Color::lightGrayColor()));

    auto layer = Layer::create();
    layer->perform("setCornerRadius:", Number::withDouble(7.5).get());
    EXPECT_EQ(layer->cornerRadius(), 7.5);

    auto button = Button::create();
    button->perform("setAction:", str("remindLater:").get());
    button->perform("setTarget:", window.get());
    EXPECT_EQ(button->action(), "remindLater:");
    EXPECT_EQ(button->target().get(), window.get());
}

TEST(PropertySetters, WrongKindIsRefusedNamingClassAndSelector)
{
    auto window = Window::create();
    EXPECT_TRUE(refuses(*window, "setLevel:", str("high").get(), "-[NSWindow setLevel:]: argument high is not a number"));
    EXPECT_TRUE(refuses(*window, "setTitle:", Number::boolean(true), "-[NSWindow setTitle:]: argument 1 is not a string"));
    EXPECT_TRUE(refuses(*window, "setBackgroundColor:", str("grey").get(),
                        "-[NSWindow setBackgroundColor:]: argument grey is not a colour"));
}
