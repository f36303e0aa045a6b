#include "support/Descriptors.h"

#include "appkit/Application.h"
#include "appkit/ApplicationMain.h"
#include "appkit/ClassRegistry.h"
#include "appkit/Notification.h"
#include "terminal/ConsolePresenter.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace appkit;
using foundation::Object;
using foundation::Ref;

namespace {

// What the delegate below heard, in order; it outlives the delegate, which
// the description releases when ApplicationMain returns.
std::vector<std::string> heard;

// A delegate that ends the application, as a person with Ctrl-C would, once
// its download button is pressed.
class ScriptedDelegate final : public Object {
public:
    const char* className() const override { return "ScriptedDelegate"; }
    const foundation::OperationTable& operations() const override
    {
        static const foundation::OperationTable table(&Object::operations(), {
            {"applicationDidFinishLaunching:", &hear},
            {"downloadButtonTapped:", [](Object&, Object* sender) -> Ref<Object> {
                heard.push_back(std::string("download from ") + sender->className());
                ::kill(::getpid(), SIGTERM);
                return nullptr;
            }},
            {"applicationWillTerminate:", &hear},
        });
        return table;
    }

private:
    static Ref<Object> hear(Object&, Object* notification)
    {
        heard.push_back(static_cast<Notification*>(notification)->name().c_str());
        return nullptr;
    }
};

struct Outcome {
    foundation::ExitStatus status;
    std::string out;
    std::string err;
};

// ApplicationMain with `input` as standard input and its two outputs captured.
Outcome runApplication(const std::string& path, std::string_view input)
{
    Pipe in, out, err;
    send(in.write, input);
    in.closeWrite();
    foundation::ExitStatus status;
    {
        Redirection stdinFrom(STDIN_FILENO, in.read);
        Redirection stdoutTo(STDOUT_FILENO, out.write);
        Redirection stderrTo(STDERR_FILENO, err.write);
        status = ApplicationMain({PresenterKind::Lines, false}, path, {terminal::ConsolePresenter::onStandardStreams, {}});
    }
    return {status, out.contents(), err.contents()};
}

} // namespace

TEST(ApplicationMain, LaunchesRunsUntilTerminatedAndTellsTheDelegate)
{
    ClassRegistry::registerClass("ScriptedDelegate", [] { return Ref<ScriptedDelegate>::adopt(new ScriptedDelegate); });
    testsupport::TemporaryDirectory directory;
    auto path = directory.write("MainMenu.json", R"({
      "objects": [
        {"class": "ScriptedDelegate", "id": "delegate"},
        {"class": "Window", "title": "Corvane", "visibleAtLaunch": true, "contentView": {"class": "View",
          "subviews": [{"class": "TextField", "stringValue": "Hello"},
                       {"class": "Button", "id": "download", "title": "Download", "keyEquivalent": "d"}]}}
      ],
      "outlets": {"application.delegate": "delegate"},
      "actions": {"download": "delegate.downloadButtonTapped:"}
    })");
    heard.clear();

    Outcome run = runApplication(path.string(), "d\n");

    EXPECT_EQ(run.status, foundation::ExitStatus::Success);
    EXPECT_EQ(heard, (std::vector<std::string>{"NSApplicationDidFinishLaunchingNotification", "download from NSButton",
                                               "NSApplicationWillTerminateNotification"}));
    EXPECT_EQ(run.err, "== window \"Corvane\" shown\n  Hello\n[d] Download  [close] Close\n== end\n");
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(Application::shared().delegate());  // the description went with the run
}

TEST(ApplicationMain, ABadDescriptionIsOneLineOnStandardErrorAndAFailure)
{
    testsupport::TemporaryDirectory directory;
    auto path = directory.write("MainMenu.json", R"({"objects": [{"class": "NoSuchDelegate"}]})");
    Outcome run = runApplication(path.string(), "");
    EXPECT_EQ(run.status, foundation::ExitStatus::Failure);
    EXPECT_EQ(run.err, "appkit_tests: " + path.string() + ": object at objects[0] (NoSuchDelegate): unknown class \"NoSuchDelegate\"\n");
    EXPECT_EQ(run.out, "");
}

TEST(ApplicationMain, ARelativeDescriptionPathIsLookedForBesideTheProgram)
{
    Outcome run = runApplication("no-such-description.json", "");
    EXPECT_EQ(run.status, foundation::ExitStatus::Failure);
    auto beside = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "no-such-description.json";
    EXPECT_EQ(run.err, "appkit_tests: " + beside.string() + ": cannot read the file: No such file or directory\n");
}
