#include "Recorder.h"

#include "appkit/Button.h"
#include "appkit/CGWindowLevel.h"
#include "appkit/Color.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "foundation/Exception.h"

#include <gtest/gtest.h>

using namespace appkit;
using foundation::Number;
using foundation::Ref;
using foundation::str;

TEST(WindowLevel, KeysGiveThePlatformLevels)
{
    EXPECT_EQ(CGWindowLevelForKey(kCGFloatingWindowLevelKey), 3);
    EXPECT_EQ(CGWindowLevelForKey(5), 3);
    EXPECT_EQ(CGWindowLevelForKey(kCGNormalWindowLevelKey), 0);
    EXPECT_EQ(CGWindowLevelForKey(kCGModalPanelWindowLevelKey), 8);
    EXPECT_EQ(CGWindowLevelForKey(kCGStatusWindowLevelKey), 25);
    EXPECT_EQ(CGWindowLevelForKey(kCGBaseWindowLevelKey), INT32_MIN);
    EXPECT_EQ(CGWindowLevelForKey(kCGMaximumWindowLevelKey), INT32_MAX - 16);
    EXPECT_EQ(CGWindowLevelForKey(kCGCursorWindowLevelKey), INT32_MAX - 17);
    EXPECT_EQ(CGWindowLevelForKey(-1), 0);
    EXPECT_EQ(CGWindowLevelForKey(21), 0);
}

TEST(Color, ClearAndLightGray)
{
    EXPECT_EQ(Color::clearColor()->CGColor(), (CGColor{0, 0, 0, 0}));
    auto gray = Color::lightGrayColor();
    EXPECT_TRUE(gray->isGray());
    EXPECT_DOUBLE_EQ(gray->redComponent(), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(gray->blueComponent(), 2.0 / 3.0);
    EXPECT_EQ(gray->alphaComponent(), 1);
    EXPECT_EQ(gray->CGColor(), (CGColor{2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0, 1}));
    EXPECT_TRUE(gray->isEqual(*Color::lightGrayColor()));
    EXPECT_FALSE(gray->isEqual(*Color::colorWithRed(2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0, 1)));
    EXPECT_EQ(gray->description(), "NSCalibratedWhiteColorSpace 0.666667 1");
}

TEST(Window, SettingsByName)
{
    auto window = Window::create();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->isOpaque());

    window->perform("setLevel:", Number::withSigned(CGWindowLevelForKey(kCGFloatingWindowLevelKey), 'l').get());
    window->perform("setBackgroundColor:", Color::clearColor().get());
    window->perform("setOpaque:", Number::boolean(false));
    EXPECT_EQ(window->level(), 3);
    EXPECT_EQ(window->backgroundColor().alphaComponent(), 0);
    EXPECT_FALSE(window->isOpaque());
    EXPECT_EQ(window->perform("isOpaque").get(), Number::falseValue());

    EXPECT_THROW(window->perform("setLevel:", str("3").get()), foundation::Exception);
    EXPECT_THROW(window->perform("setBackgroundColor:", str("clear").get()), foundation::Exception);
}

TEST(Window, CloseHidesWithoutReleasingAnything)
{
    auto window = Window::create();
    auto label = TextField::create();
    window->contentView()->addSubview(label);
    foundation::WeakRef<View> weakLabel(label.get());
    foundation::WeakRef<View> weakContent(window->contentView());
    label = nullptr;

    window->perform("makeKeyAndOrderFront:", window.get());
    EXPECT_EQ(window->perform("isVisible").get(), Number::trueValue());
    window->perform("close");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->refCount(), 1u);
    ASSERT_TRUE(weakContent.get());
    ASSERT_TRUE(weakLabel.get());
    EXPECT_EQ(weakLabel.get()->window(), window.get());

    window->makeKeyAndOrderFront(nullptr);
    EXPECT_TRUE(window->isVisible());
    window->orderOut(nullptr);
    window->orderOut(nullptr);
    EXPECT_FALSE(window->isVisible());
}

TEST(View, LayerOnlyWhenWanted)
{
    auto view = View::create();
    EXPECT_EQ(view->layer(), nullptr);
    view->perform("setWantsLayer:", Number::boolean(true));
    Layer* layer = view->layer();
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->cornerRadius(), 0);
    EXPECT_FALSE(layer->backgroundColor());
    EXPECT_EQ(layer->borderWidth(), 0);
    EXPECT_EQ(layer->shadowOpacity(), 0);
    EXPECT_FALSE(layer->masksToBounds());

    layer->perform("setCornerRadius:", Number::withDouble(10).get());
    layer->setBackgroundColor(Color::lightGrayColor()->CGColor());
    EXPECT_EQ(view->layer()->cornerRadius(), 10.0);
    EXPECT_EQ(view->layer()->backgroundColor(), Color::lightGrayColor()->CGColor());
    view->setWantsLayer(true);
    EXPECT_EQ(view->layer(), layer);
}

TEST(View, SubviewsMoveBetweenSuperviews)
{
    auto first = View::create();
    auto second = View::create();
    auto child = View::create();
    first->addSubview(child);
    second->perform("addSubview:", child.get());
    EXPECT_TRUE(first->subviews().empty());
    ASSERT_EQ(second->subviews().size(), 1u);
    EXPECT_EQ(child->superview(), second.get());
    EXPECT_THROW(child->addSubview(second), foundation::Exception);
    second = nullptr;
    EXPECT_EQ(child->superview(), nullptr);
}

TEST(TextField, StringAndAttributedValuesAreOneText)
{
    auto field = TextField::create();
    field->perform("setStringValue:", str("New Erlang version available: 17.4").get());
    EXPECT_EQ(field->attributedStringValue().string().utf8(), "New Erlang version available: 17.4");
    field->setAttributedStringValue(AttributedString::create(str("plain")));
    EXPECT_EQ(field->perform("stringValue")->description(), "plain");
    field->setStringValue(nullptr);
    EXPECT_EQ(field->stringValue().utf8(), "");
}

TEST(Button, ClickSendsTheActionToTheTargetWithTheButtonAsSender)
{
    auto recorder = Recorder::create();
    auto button = Button::create();
    button->perform("setTarget:", recorder.get());
    button->perform("setAction:", str("downloadButtonTapped:").get());
    button->perform("performClick:");
    ASSERT_EQ(recorder->names(), std::vector<std::string>{"downloadButtonTapped:"});
    EXPECT_EQ(recorder->messages[0].argument.get(), button.get());

    // An action the target does not answer, or a target gone, does nothing.
    button->setAction("noSuchAction:");
    button->performClick();
    button->setAction("downloadButtonTapped:");
    EXPECT_EQ(recorder->refCount(), 1u);  // the target is weak
    recorder = nullptr;
    button->performClick();
    EXPECT_FALSE(button->target());
}
