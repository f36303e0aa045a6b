#include "agent/Updater.h"

#include "agent/DownloadDestination.h"
#include "agent/Output.h"
#include "agent/ProductPaths.h"
#include "agent/ReleaseFeed.h"

#include "foundation/storage/FileManager.h"
#include "foundation/storage/JSONSerialization.h"
#include "foundation/runloop/OperationQueue.h"
#include "foundation/system/Log.h"
#include "foundation/system/RunningApplication.h"
#include "foundation/objects/String.h"
#include "foundation/system/Task.h"
#include "foundation/runloop/Timer.h"
#include "foundation/url/URLSession.h"
#include "foundation/storage/UserDefaults.h"

namespace corvane {

using foundation::Ref;

Ref<Updater> Updater::create(std::unique_ptr<ErlangVersionChecker> erlangVersionChecker, UpdaterDelegate* delegate)
{
    Ref<Updater> updater = Ref<Updater>::adopt(new Updater(std::move(erlangVersionChecker), delegate));
    // The run loop keeps the timer and the timer keeps the Updater; it is
    // never invalidated.
    foundation::Timer::scheduledTimer(twentyFourHours, updater.get(), "updateErlangIfNeeded:", nullptr, true);
    return updater;
}

Updater::Updater(std::unique_ptr<ErlangVersionChecker> erlangVersionChecker, UpdaterDelegate* delegate)
    : erlangVersionChecker_(std::move(erlangVersionChecker)), delegate_(delegate)
{
}

const foundation::OperationTable& Updater::operations() const
{
    static const foundation::OperationTable table(&Object::operations(), {
        {"updateErlangIfNeeded:", [](Object& self, Object*) -> Ref<Object> {
             static_cast<Updater&>(self).updateErlangIfNeeded();
             return nullptr;
         }},
    });
    return table;
}

std::optional<std::string> Updater::canonical_version() const
{
    std::lock_guard lock(stateMutex_);
    return canonicalVersion_;
}

void Updater::setCanonical_version(std::optional<std::string> version)
{
    std::lock_guard lock(stateMutex_);
    canonicalVersion_ = std::move(version);
}

std::optional<std::string> Updater::path() const
{
    std::lock_guard lock(stateMutex_);
    return path_;
}

void Updater::setPath(std::optional<std::string> path)
{
    std::lock_guard lock(stateMutex_);
    path_ = std::move(path);
}

void Updater::updateErlangIfNeeded()
{
    Ref<UpdaterDelegate> window = delegate();
    if (!window || window->windowIsVisible())
        return;
    std::optional<std::string> installedVersion = erlangVersionChecker_->currentErlangVersion();
    if (!installedVersion)
        return;
    availableVersion(*installedVersion, [self = Ref<Updater>(this), installed = *installedVersion](Ref<foundation::Dictionary> feed) {
        self->handleFeed(*feed, installed);
    });
}

void Updater::handleFeed(const foundation::Dictionary& feed, const std::string& installedVersion)
{
    FeedReading reading = readFirstStableRelease(feed);
    if (reading.outcome == FeedReading::Outcome::Unusable)
        foundation::logDiagnostic(reading.problem + "; no release announced today");
    if (reading.outcome != FeedReading::Outcome::Offered)
        return;
    const ReleaseEntry& release = reading.release;
    std::optional<std::string> skippedVersion = getSkipVersion();
    setCanonical_version(release.canonicalVersion);
    if (release.canonicalVersion == installedVersion || skippedVersion == release.canonicalVersion)
        return;
    if (!release.path || !release.version) {
        foundation::logDiagnostic("the release feed's first stable release lacks \"path\" or \"version\"; not announced");
        return;
    }
    setPath(release.path);
    foundation::OperationQueue::mainQueue().addOperationWithBlock([self = Ref<Updater>(this), version = *release.version] {
        if (Ref<UpdaterDelegate> window = self->delegate())
            window->showWindow(version);
    });
}

std::string Updater::architecture() const
{
    // Only an x86-64 executable asks for the 64-bit feed; i386 and every
    // other processor type ask for the 32-bit one.
    int code = foundation::RunningApplication::currentApplication().executableArchitecture();
    return code == foundation::BundleExecutableArchitectureX86_64 ? "64" : "32";
}

std::string Updater::feedAddress(const std::string& installedVersion) const
{
    return ProductPaths::current().packageServer + "/erlang/erlang/quorvel/general/" + installedVersion + "/"
        + architecture() + "/data.json";
}

void Updater::availableVersion(const std::string& installedVersion, FeedCompletion completion)
{
    Ref<foundation::URL> url = foundation::URL::create(feedAddress(installedVersion));
    if (!url) {
        foundation::logDiagnostic("the installed version \"" + installedVersion + "\" does not form a valid feed address; no check today");
        return;
    }
    auto handler = [completion = std::move(completion)](Ref<foundation::Data> body, Ref<foundation::URLResponse>,
                                                        Ref<foundation::Error> error) {
        if (error || !body)
            return;  // network failures end the day's check quietly
        Ref<Object> feed = foundation::JSONSerialization::JSONObjectWithData(
            *body, foundation::JSONReadingOptions::AllowFragments, nullptr);
        if (!feed || !feed->isDictionary()) {
            foundation::logDiagnostic("the release feed is not a JSON object; no release announced today");
            return;
        }
        completion(foundation::static_ref_cast<foundation::Dictionary>(feed));
    };
    foundation::URLSession::sharedSession()->dataTaskWithURL(url, std::move(handler))->resume();
}

std::optional<std::string> Updater::getSkipVersion() const
{
    Ref<Object> value = foundation::UserDefaults::standardUserDefaults().valueForKey(SkipVersionKey);
    if (!value || !value->isString())
        return std::nullopt;
    return std::string(static_cast<foundation::String&>(*value).utf8());
}

void Updater::skipVersion()
{
    foundation::UserDefaults& defaults = foundation::UserDefaults::standardUserDefaults();
    std::optional<std::string> version = canonical_version();
    Ref<foundation::String> value = version ? foundation::String::create(*version) : nullptr;
    defaults.setValue(value.get(), SkipVersionKey);
    (void)defaults.synchronize();  // a failed write is retried by the store later
}

void Updater::downloadAndRunNewVersion()
{
    std::optional<std::string> releasePath = path();
    if (!releasePath) {
        foundation::logDiagnostic("no release has been announced; nothing to download");
        return;
    }
    Ref<foundation::URL> url = foundation::URL::create(ProductPaths::current().packageServer + "/site/zvk/" + *releasePath);
    if (!url) {
        foundation::logDiagnostic("the release path \"" + *releasePath + "\" does not form a valid download address; nothing downloaded");
        return;
    }
    auto completion = [self = Ref<Updater>(this)](Ref<foundation::URL> location, Ref<foundation::URLResponse>,
                                                   Ref<foundation::Error> error) {
        self->finishDownload(location.get(), error.get());
    };
    foundation::URLSession::sharedSession()->downloadTaskWithURL(url, std::move(completion))->resume();
}

void Updater::finishDownload(foundation::URL* location, foundation::Error* transferError)
{
    // Without a downloaded file there is nothing to move or open: the one
    // line says why the download failed.
    if (!location) {
        printLine(transferError ? transferError->description() : "The download failed.");
        return;
    }
    const ProductPaths paths = ProductPaths::current();
    std::optional<std::string> releasePath = path();  // read again, now
    std::optional<std::string> destination = releasePath ? downloadDestination(paths.temporaryDirectory, *releasePath) : std::nullopt;
    if (!destination) {
        printLine("The release path \"" + releasePath.value_or("") + "\" does not name a file in "
                  + paths.temporaryDirectory + "; the download was not kept.");
        return;
    }
    Ref<foundation::Error> moveError;
    foundation::FileManager::defaultManager().moveItemAtURL(*location, *foundation::URL::create(*destination), &moveError);
    printLine(moveError ? moveError->description() : "nil");
    if (moveError && !destinationHoldsOwnFile(*destination)) {
        foundation::logDiagnostic(*destination + " is held by something that is not this user's file; it is not opened");
        return;
    }
    Ref<foundation::Task> task = foundation::Task::create();
    task->setLaunchPath(paths.diskImageTool);
    task->setArguments({"attach", "-autoopen", *destination});
    task->launch();
}

} // namespace corvane
