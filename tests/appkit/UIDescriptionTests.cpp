#include "support/Recorder.h"

#include "appkit/Application.h"
#include "appkit/Button.h"
#include "appkit/ClassRegistry.h"
#include "appkit/TextField.h"
#include "appkit/UIDescription.h"
#include "appkit/Window.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

using namespace appkit;
using foundation::Error;
using foundation::Ref;

namespace {

// A view that a description makes through its coder: it reads "radius"
// and yields nothing when its view part could not be decoded.
class RoundView final : public View {
public:
    static Ref<RoundView> initWithCoder(Coder& coder)
    {
        Ref<RoundView> view = View::initWithCoder<RoundView>(coder);
        if (view) {
            view->setWantsLayer(true);
            view->layer()->setCornerRadius(coder.decodeDoubleForKey("radius"));
        }
        return view;
    }

private:
    friend class View;
    explicit RoundView(Coder& coder) : View(coder) {}
};

class UIDescriptionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ClassRegistry::registerClass("Recorder", [] { return Recorder::create(); });
        ClassRegistry::registerClass("RoundView", [](Coder& coder) { return RoundView::initWithCoder(coder); });
    }

    Ref<UIDescription> load(std::string_view text)
    {
        error = nullptr;
        return UIDescription::load(directory.write("MainMenu.json", text).string(), error);
    }

    testsupport::TemporaryDirectory directory;
    Ref<Error> error;
};

constexpr std::string_view agentLikeDescription = R"({
  "objects": [
    {"class": "Recorder", "id": "delegate"},
    {"class": "Window", "id": "window", "title": "Corvane", "visibleAtLaunch": true, "level": 0,
     "contentView": {"class": "RoundView", "id": "background", "radius": 10, "subviews": [
       {"class": "TextField", "id": "label", "stringValue": ""},
       {"class": "Button", "id": "download", "title": "Download", "keyEquivalent": "d"}]}}
  ],
  "outlets": {"application.delegate": "delegate", "delegate.window": "window", "delegate.versionLabel": "label"},
  "actions": {"download": "delegate.downloadButtonTapped:"}
})";

} // namespace

// The description keeps its objects alive, for the outlets are weak: they
// go, and the application's delegate with them, when it does.
TEST_F(UIDescriptionTest, MakesObjectsByClassNameAndConnectsThemByName)
{
    foundation::WeakRef<Recorder> weakDelegate;
    foundation::WeakRef<foundation::Object> weakLabel;
    {
        auto description = load(agentLikeDescription);
        ASSERT_TRUE(description) << error->localizedDescription();
        ASSERT_EQ(description->topLevelObjects().size(), 2u);

        auto delegate = foundation::static_ref_cast<Recorder>(description->objectWithIdentifier("delegate"));
        auto window = foundation::static_ref_cast<Window>(description->objectWithIdentifier("window"));
        ASSERT_STREQ(delegate->className(), "Recorder");
        ASSERT_STREQ(window->className(), "NSWindow");
        EXPECT_EQ(Application::shared().delegate().get(), delegate.get());
        EXPECT_EQ(delegate->window.get().get(), window.get());
        EXPECT_EQ(delegate->label.get(), description->objectWithIdentifier("label"));
        EXPECT_EQ(window->title().utf8(), "Corvane");

        // The view hierarchy, with the custom view made through its coder.
        auto* background = dynamic_cast<RoundView*>(window->contentView());
        ASSERT_NE(background, nullptr);
        EXPECT_EQ(background->layer()->cornerRadius(), 10);
        ASSERT_EQ(background->subviews().size(), 2u);
        EXPECT_EQ(background->subviews()[0].get(), description->objectWithIdentifier("label").get());

        // Marked visible at launch, after awakeFromNib went to every object that answers it.
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(delegate->names(), std::vector<std::string>{"awakeFromNib"});

        auto download = foundation::static_ref_cast<Button>(description->objectWithIdentifier("download"));
        download->performClick();
        ASSERT_EQ(delegate->names(), (std::vector<std::string>{"awakeFromNib", "downloadButtonTapped:"}));
        EXPECT_EQ(delegate->messages[1].argument.get(), download.get());
        weakDelegate = delegate;
        weakLabel = delegate->label;
    }
    EXPECT_FALSE(weakDelegate.get());
    EXPECT_FALSE(weakLabel.get());
    EXPECT_FALSE(Application::shared().delegate());
}

TEST_F(UIDescriptionTest, AnOwnerIsReachableAsOwner)
{
    auto owner = Recorder::create();
    auto path = directory.write("Pane.json", R"({"objects": [{"class": "TextField", "id": "field"}],
                                                 "outlets": {"owner.versionLabel": "field"}})");
    auto description = UIDescription::load(path.string(), error, owner.get());
    ASSERT_TRUE(description);
    EXPECT_EQ(owner->label.get(), description->objectWithIdentifier("field"));
    EXPECT_EQ(owner->names(), std::vector<std::string>{"awakeFromNib"});
}

// A failed load keeps nothing: not even an application delegate that was
// connected before the failure. (A file that cannot be read at all is
// reported the same way; the application tests see that message.)
TEST_F(UIDescriptionTest, BadContentIsAnErrorThatSaysWhatIsWrong)
{
    struct Case {
        std::string_view text;
        std::string_view message;
    };
    const Case cases[] = {
        {"{\"objects\": [\n  {\"class\": \"Window\",}\n]}", "not valid JSON: parse error at line 2"},
        {R"({"objects": [{"class": "Window", "level": 1e400}]})", "not valid JSON: number overflow parsing '1e400'"},
        {R"([])", "the top level must be a JSON object"},
        {R"({"objects": {}})", "\"objects\" must be an array of objects"},
        {R"({"objects": [], "outlet": {}})", "unknown top-level key \"outlet\""},
        {R"({"objects": [{"class": "NoSuchClass", "id": "a"}]})", "object \"a\" (NoSuchClass): unknown class \"NoSuchClass\""},
        {R"({"objects": [{"class": "Window", "visibleAtLunch": true}]})",
         "object at objects[0] (Window): unknown attribute \"visibleAtLunch\""},
        {R"({"objects": [{"class": "Window", "id": "w", "level": "high"}]})",
         "object \"w\" (Window): attribute \"level\" must be a whole number"},
        {R"({"objects": [{"class": "Recorder", "id": "a"}, {"class": "Recorder", "id": "a"}]})",
         "objects[1]: the id \"a\" is already taken"},
        {R"({"objects": [{"class": "Recorder", "id": "r", "subviews": [{"class": "View"}]}]})",
         "object \"r\" (Recorder): its class has no subviews"},
        {R"({"objects": [{"class": "Window", "id": "w", "contentView": {"class": "Window"}}]})",
         "object \"w\" (Window): -[NSWindow setContentView:]: argument <NSWindow: 0x"},
        {R"({"objects": [{"class": "Recorder", "id": "r"}], "outlets": {"r.window": "nobody"}})",
         "outlet \"r.window\": no object has the id \"nobody\""},
        {R"({"objects": [{"class": "Recorder", "id": "r"}, {"class": "Window", "id": "w", "visibleAtLaunch": true}],
            "outlets": {"application.delegate": "r", "r.colour": "w"}})",
         "outlet \"r.colour\": Recorder \"r\" does not answer \"setColour:\""},
        {R"({"objects": [{"class": "Recorder", "id": "r"}, {"class": "Button", "id": "b"}], "actions": {"b": "r.skip:"}})",
         "action of \"b\": Recorder \"r\" does not answer \"skip:\""},
        {R"({"objects": [{"class": "Recorder", "id": "r"}], "actions": {"r": "r.remindLaterTapped:"}})",
         "action of \"r\": Recorder sends no actions"},
    };
    for (const auto& testCase : cases) {
        EXPECT_FALSE(load(testCase.text)) << testCase.text;
        std::string message = error ? error->localizedDescription() : "";
        EXPECT_NE(message.find(std::string(testCase.message)), std::string::npos)
            << testCase.text << "\n  gave: " << message << "\n  wanted: " << testCase.message;
        EXPECT_EQ(message.find(directory.path().string() + "/MainMenu.json: "), 0u) << message;
        EXPECT_EQ(error->domain().utf8(), UIDescriptionErrorDomain);
        EXPECT_FALSE(Application::shared().delegate()) << testCase.text;
    }
}
