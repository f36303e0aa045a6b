#include "support/Recorder.h"

#include "appkit/Button.h"
#include "appkit/CGWindowLevel.h"
#include "appkit/Color.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "appkit/WindowText.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/Number.h"

#include <gtest/gtest.h>

using namespace appkit;
using foundation::Number;
using foundation::Ref;
using foundation::str;

TEST(Color, GrayIsEqualToTheSameGrayOnly)
{
    EXPECT_TRUE(Color::lightGrayColor()->isEqual(*Color::lightGrayColor()));
    EXPECT_FALSE(Color::lightGrayColor()->isEqual(*Color::colorWithRed(2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0, 1)));
}

// The rest of setting properties by name is what the UI description tests
// see at work.
TEST(Properties, AskingForALayerAgainKeepsTheLayer)
{
    auto view = View::create();
    view->perform("setWantsLayer:", Number::boolean(true));
    Layer* layer = view->layer();
    view->setWantsLayer(true);
    EXPECT_TRUE(layer && view->layer() == layer);
}

TEST(Properties, WindowLevelsByKey)
{
    EXPECT_EQ(CGWindowLevelForKey(kCGFloatingWindowLevelKey), 3);
    EXPECT_EQ(CGWindowLevelForKey(-1), 0) << "a key outside the enumeration gives the normal level";
}

TEST(Properties, ATextFieldsNilValueReadsAsEmpty)
{
    auto field = TextField::create();
    field->perform("setStringValue:", str("plain").get());
    field->setStringValue(nullptr);
    EXPECT_EQ(field->perform("stringValue")->description(), "");
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
}

TEST(WindowText, ControlCharactersFromTheTextNeverReachTheTerminal)
{
    auto window = Window::create();
    auto label = TextField::create();
    label->setStringValue(str("26.1\x1b[2J\r\x07 \xC2\x9B" "6n\n== end"));
    window->contentView()->addSubview(label);
    WindowText text = WindowText::of(*window);
    ASSERT_EQ(text.lines.size(), 2u);
    EXPECT_EQ(text.lines[0], "26.1\xEF\xBF\xBD[2J\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD" "6n");
    EXPECT_EQ(text.lines[1], "== end");  // a line of its own, inside the block
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

// An action the target does not answer, or a target gone, does nothing.
TEST(Button, ClickSendsTheActionToTheTargetWithTheButtonAsSender)
{
    auto recorder = Recorder::create();
    auto button = Button::create();
    button->perform("setTarget:", recorder.get());
    button->setAction("noSuchAction:");
    button->performClick();
    button->perform("setAction:", str("downloadButtonTapped:").get());
    button->perform("performClick:");
    ASSERT_EQ(recorder->names(), std::vector<std::string>{"downloadButtonTapped:"});
    EXPECT_EQ(recorder->messages[0].argument.get(), button.get());
    EXPECT_EQ(recorder->refCount(), 1u);  // the target is weak
    recorder = nullptr;
    button->performClick();
    EXPECT_FALSE(button->target());
}
