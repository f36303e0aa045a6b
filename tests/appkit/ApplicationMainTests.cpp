#include "appkit/Application.h"
#include "appkit/ApplicationMain.h"
#include "appkit/ClassRegistry.h"
#include "appkit/Notification.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

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
            {"applicationDidFinishLaunching:", [](Object&, Object* notification) -> Ref<Object> {
                heard.push_back(static_cast<Notification*>(notification)->name().c_str());
                return nullptr;
            }},
            {"downloadButtonTapped:", [](Object&, Object* sender) -> Ref<Object> {
                heard.push_back(std::string("download from ") + sender->className());
                ::kill(::getpid(), SIGTERM);
                return nullptr;
            }},
            {"applicationWillTerminate:", [](Object&, Object* notification) -> Ref<Object> {
                heard.push_back(static_cast<Notification*>(notification)->name().c_str());
                return nullptr;
            }},
        });
        return table;
    }
};

// Points a standard descriptor at another for the life of the object.
class Redirection {
public:
    Redirection(int fd, int to) : fd_(fd), saved_(::dup(fd)) { std::fflush(nullptr); ::dup2(to, fd); }
    ~Redirection()
    {
        std::fflush(nullptr);
        ::dup2(saved_, fd_);
        ::close(saved_);
    }

private:
    int fd_;
    int saved_;
};

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0); }
    ~Pipe() { closeWrite(); ::close(fds[0]); }
    void closeWrite()
    {
        if (fds[1] >= 0)
            ::close(std::exchange(fds[1], -1));
    }
    // All that was written, once the write end is closed.
    std::string contents()
    {
        closeWrite();
        std::string text;
        char buffer[4096];
        ssize_t count;
        while ((count = ::read(fds[0], buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(count));
        return text;
    }
};

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// ApplicationMain with `input` as standard input and its two outputs captured.
Outcome runApplication(const std::string& path, std::string_view input)
{
    Pipe in, out, err;
    EXPECT_EQ(::write(in.fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    in.closeWrite();
    const char* argv[] = {"/opt/corvane/bin/corvane", "--flag"};
    int status;
    {
        Redirection stdinFrom(STDIN_FILENO, in.fds[0]);
        Redirection stdoutTo(STDOUT_FILENO, out.fds[1]);
        Redirection stderrTo(STDERR_FILENO, err.fds[1]);
        status = ApplicationMain(2, argv, path);
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

    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(heard, (std::vector<std::string>{"NSApplicationDidFinishLaunchingNotification", "download from NSButton",
                                               "NSApplicationWillTerminateNotification"}));
    EXPECT_EQ(Application::shared().arguments(), (std::vector<std::string>{"/opt/corvane/bin/corvane", "--flag"}));
    EXPECT_EQ(run.err, "== window \"Corvane\" shown\nHello\n[d] Download  [close] Close\n== end\n");
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(Application::shared().delegate());  // the description went with the run
}

TEST(ApplicationMain, ABadDescriptionIsOneLineOnStandardErrorAndAFailure)
{
    testsupport::TemporaryDirectory directory;
    auto path = directory.write("MainMenu.json", R"({"objects": [{"class": "NoSuchDelegate"}]})");
    Outcome run = runApplication(path.string(), "");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "corvane: " + path.string() + ": object at objects[0] (NoSuchDelegate): unknown class \"NoSuchDelegate\"\n");
    EXPECT_EQ(run.out, "");

    // A relative path is looked for beside the program.
    run = runApplication("no-such-description.json", "");
    EXPECT_EQ(run.status, 1);
    auto beside = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "no-such-description.json";
    EXPECT_EQ(run.err, "corvane: " + beside.string() + ": cannot read the file: No such file or directory\n");
}
