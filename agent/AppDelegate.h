#pragma once

#include "agent/Updater.h"
#include "agent/UpdaterDelegate.h"

#include "appkit/TextField.h"
#include "appkit/Window.h"

namespace corvane {

// The application delegate: made from the UI description, it sets up the
// notification window at launch, owns the agent's one Updater, and answers
// the window's three buttons. The window and its label belong to the UI
// description; the delegate only points at them.
class AppDelegate final : public UpdaterDelegate {
public:
    static foundation::Ref<AppDelegate> create();

    // The prefix of the only text the agent sets in the window.
    static constexpr std::string_view MessagePrefix = "New Erlang version available: ";

    foundation::Ref<appkit::Window> window() const { return window_.get(); }
    void setWindow(appkit::Window* window) { window_ = window; }
    foundation::Ref<appkit::TextField> versionLabel() const { return versionLabel_.get(); }
    void setVersionLabel(appkit::TextField* label) { versionLabel_ = label; }
    Updater* updater() const noexcept { return updater_.get(); }

    void downloadButtonTapped(foundation::Object* sender);
    void skipVersionButtonTapped(foundation::Object* sender);
    void remindLaterTapped(foundation::Object* sender);

    void applicationDidFinishLaunching(foundation::Object* notification);
    void applicationWillTerminate(foundation::Object* notification);

    void showWindow(const std::string& version) override;
    void hideWindow() override;
    bool windowIsVisible() override;

    const char* className() const override { return "AppDelegate"; }
    const foundation::OperationTable& operations() const override;

private:
    AppDelegate() = default;

    void setupWindow();
    static long floatingWindowLevel();

    foundation::WeakRef<appkit::Window> window_;
    foundation::WeakRef<appkit::TextField> versionLabel_;
    foundation::Ref<Updater> updater_;
};

// Makes the agent's classes known to the UI description loader.
void registerAgentClasses();

} // namespace corvane
