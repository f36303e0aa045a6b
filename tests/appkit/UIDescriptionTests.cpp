#include "Recorder.h"

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
        if (!view)
            return nullptr;
        view->setWantsLayer(true);
        view->layer()->setCornerRadius(coder.decodeDoubleForKey("radius"));
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

    // The error text of a description that must not load.
    std::string failure(std::string_view text)
    {
        auto description = load(text);
        EXPECT_FALSE(description) << text;
        return error ? error->localizedDescription() : "";
    }

    testsupport::TemporaryDirectory directory;
    Ref<Error> error;
};

constexpr std::string_view agentLikeDescription = R"({
  "objects": [
    {"class": "Recorder", "id": "delegate"},
    {"class": "Window", "id": "window", "title": "Corvane", "visibleAtLaunch": true, "level": 0,
     "contentView": {"class": "RoundView", "id": "background", "radius": 10,
       "subviews": [
         {"class": "TextField", "id": "label", "stringValue": ""},
         {"class": "Button", "id": "download", "title": "Download", "keyEquivalent": "d"},
         {"class": "Button", "id": "later", "title": "Remind Me Later", "keyEquivalent": "r"}
       ]}}
  ],
  "outlets": {
    "application.delegate": "delegate",
    "delegate.window": "window",
    "delegate.versionLabel": "label"
  },
  "actions": {
    "download": "delegate.downloadButtonTapped:",
    "later": "delegate.remindLaterTapped:"
  }
})";

} // namespace

TEST_F(UIDescriptionTest, MakesObjectsByClassNameAndConnectsThemByName)
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
    ASSERT_EQ(background->subviews().size(), 3u);
    EXPECT_EQ(background->subviews()[0].get(), description->objectWithIdentifier("label").get());

    // Marked visible at launch, after awakeFromNib went to every object that answers it.
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(delegate->names(), std::vector<std::string>{"awakeFromNib"});

    auto download = foundation::static_ref_cast<Button>(description->objectWithIdentifier("download"));
    download->performClick();
    ASSERT_EQ(delegate->messages.size(), 2u);
    EXPECT_EQ(delegate->messages[1].name, "downloadButtonTapped:");
    EXPECT_EQ(delegate->messages[1].argument.get(), download.get());
}

TEST_F(UIDescriptionTest, KeepsTheTopLevelObjectsAliveForTheOutletsThatAreWeak)
{
    foundation::WeakRef<Recorder> delegate;
    foundation::WeakRef<foundation::Object> label;
    {
        auto description = load(agentLikeDescription);
        ASSERT_TRUE(description);
        delegate = foundation::static_ref_cast<Recorder>(description->objectWithIdentifier("delegate"));
        label = delegate.get()->label;
        ASSERT_TRUE(label.get());
    }
    EXPECT_FALSE(delegate.get());
    EXPECT_FALSE(label.get());
    EXPECT_FALSE(Application::shared().delegate());
}

TEST_F(UIDescriptionTest, AnOwnerIsReachableAsOwner)
{
    auto owner = Recorder::create();
    error = nullptr;
    auto path = directory.write("Pane.json", R"({"objects": [{"class": "TextField", "id": "field"}],
                                                 "outlets": {"owner.versionLabel": "field"}})");
    auto description = UIDescription::load(path.string(), error, owner.get());
    ASSERT_TRUE(description);
    EXPECT_EQ(owner->label.get(), description->objectWithIdentifier("field"));
    EXPECT_EQ(owner->names(), std::vector<std::string>{"awakeFromNib"});
}

TEST_F(UIDescriptionTest, UnreadableOrMalformedFilesAreErrorsThatNameTheFile)
{
    error = nullptr;
    auto missing = (directory / "missing.json").string();
    EXPECT_FALSE(UIDescription::load(missing, error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), missing + ": cannot read the file: No such file or directory");

    EXPECT_FALSE(UIDescription::load(directory.path().string(), error));
    EXPECT_NE(error->localizedDescription().find("cannot read the file"), std::string::npos);

    std::string message = failure("{\"objects\": [\n  {\"class\": \"Window\",}\n]}");
    EXPECT_NE(message.find("MainMenu.json: not valid JSON: "), std::string::npos) << message;
    EXPECT_NE(message.find("line 2"), std::string::npos) << message;
    EXPECT_EQ(error->domain().utf8(), UIDescriptionErrorDomain);
}

TEST_F(UIDescriptionTest, BadContentIsAnErrorThatSaysWhatIsWrong)
{
    struct Case {
        std::string_view text;
        std::string_view message;
    };
    const Case cases[] = {
        {R"([])", "the top level must be a JSON object"},
        {R"({"objects": {}})", "\"objects\" must be an array of objects"},
        {R"({"objects": [], "outlet": {}})", "unknown top-level key \"outlet\""},
        {R"({"objects": [{"id": "a"}]})", "objects[0]: \"class\" must name a class"},
        {R"({"objects": [{"class": "NoSuchClass", "id": "a"}]})", "object \"a\" (NoSuchClass): unknown class \"NoSuchClass\""},
        {R"({"objects": [{"class": "Window", "visibleAtLunch": true}]})",
         "object at objects[0] (Window): unknown attribute \"visibleAtLunch\""},
        {R"({"objects": [{"class": "Window", "id": "w", "level": "high"}]})",
         "object \"w\" (Window): attribute \"level\" must be a whole number"},
        {R"({"objects": [{"class": "Window", "id": "w", "title": ["a"]}]})",
         "object \"w\" (Window): attribute \"title\" must be a string, a number, true or false"},
        {R"({"objects": [{"class": "Recorder", "id": "r", "title": "x"}]})", "object \"r\" (Recorder): unknown attribute \"title\""},
        {R"({"objects": [{"class": "Window", "contentView": {"class": "RoundView", "id": "v", "hidden": 1}}]})",
         "object \"v\" (RoundView): attribute \"hidden\" must be true or false"},
        {R"({"objects": [{"class": "Recorder", "id": "a"}, {"class": "Recorder", "id": "a"}]})",
         "objects[1]: the id \"a\" is already taken"},
        {R"({"objects": [{"class": "Recorder", "id": "application"}]})", "the id \"application\" is already taken"},
        {R"({"objects": [{"class": "Recorder", "id": "a.b"}]})", "the id \"a.b\" must not contain a dot"},
        {R"({"objects": [{"class": "Recorder", "id": "r", "subviews": [{"class": "View"}]}]})",
         "object \"r\" (Recorder): its class has no subviews"},
        {R"({"objects": [{"class": "Window", "id": "w", "contentView": {"class": "Window"}}]})",
         "object \"w\" (Window): -[NSWindow setContentView:]: argument <NSWindow: 0x"},
        {R"({"objects": [{"class": "Recorder", "id": "r"}], "outlets": {"r.window": "nobody"}})",
         "outlet \"r.window\": no object has the id \"nobody\""},
        {R"({"objects": [{"class": "Recorder", "id": "r"}], "outlets": {"r.colour": "r"}})",
         "outlet \"r.colour\": Recorder \"r\" does not answer \"setColour:\""},
        {R"({"objects": [{"class": "Recorder", "id": "r"}], "outlets": {"window": "r"}})",
         "outlet \"window\": must read \"<id>.<property>\""},
        {R"({"objects": [{"class": "Recorder", "id": "r"}], "outlets": {"r.onlyNumbers": "r"}})",
         "outlet \"r.onlyNumbers\": setOnlyNumbers: wants a number"},
        {R"({"objects": [{"class": "Recorder", "id": "r"}], "outlets": {"owner.window": "r"}})",
         "outlet \"owner.window\": no object has the id \"owner\""},
        {R"({"objects": [{"class": "Recorder", "id": "r"}, {"class": "Button", "id": "b"}], "actions": {"b": "r.skip:"}})",
         "action of \"b\": Recorder \"r\" does not answer \"skip:\""},
        {R"({"objects": [{"class": "Recorder", "id": "r"}], "actions": {"r": "r.remindLaterTapped:"}})",
         "action of \"r\": Recorder sends no actions"},
        {R"({"objects": [{"class": "Recorder", "id": "r"}, {"class": "Button", "id": "b"}], "actions": {"b": "r."}})",
         "action of \"b\": must read \"<id>.<action>\""},
    };
    for (const auto& testCase : cases) {
        std::string message = failure(testCase.text);
        EXPECT_NE(message.find(std::string(testCase.message)), std::string::npos)
            << testCase.text << "\n  gave: " << message << "\n  wanted: " << testCase.message;
        EXPECT_EQ(message.find(directory.path().string() + "/MainMenu.json: "), 0u) << message;
    }
}

TEST_F(UIDescriptionTest, AFailedLoadShowsNoWindowAndKeepsNothing)
{
    std::string message = failure(R"({"objects": [
        {"class": "Recorder", "id": "delegate"},
        {"class": "Window", "id": "window", "visibleAtLaunch": true}],
      "outlets": {"application.delegate": "delegate", "delegate.nothing": "window"}})");
    EXPECT_NE(message.find("does not answer \"setNothing:\""), std::string::npos) << message;
    EXPECT_FALSE(Application::shared().delegate());
}
