#include "agent/Updater.h"

#include "agent/DownloadDestination.h"
#include "agent/FeedSignature.h"
#include "agent/FeedTimestamps.h"
#include "agent/Output.h"
#include "agent/ReleaseFeed.h"
#include "agent/SignatureCheck.h"
#include "agent/SignatureFetch.h"

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

#include <chrono>
#include <unistd.h>

namespace corvane {

using foundation::Ref;

namespace {

std::uint64_t secondsSince1970()
{
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

// The refusal of a signature file that could not be used, or none when the
// transfer failed.
std::optional<std::string> refusalOfFetch(const FetchedSignature& fetched)
{
    if (const auto* refusal = std::get_if<std::string>(&fetched))
        return *refusal;
    return std::nullopt;
}

} // namespace

Ref<Updater> Updater::create(std::unique_ptr<ErlangVersionChecker> erlangVersionChecker, UpdaterDelegate* delegate,
                             ProductPaths paths, UpdateTrust trust)
{
    Ref<Updater> updater = Ref<Updater>::adopt(
        new Updater(std::move(erlangVersionChecker), delegate, std::move(paths), std::move(trust)));
    // The run loop keeps the timer and the timer keeps the Updater; it is
    // never invalidated.
    foundation::Timer::scheduledTimer(twentyFourHours, updater.get(), "updateErlangIfNeeded:", nullptr, true);
    return updater;
}

Updater::Updater(std::unique_ptr<ErlangVersionChecker> erlangVersionChecker, UpdaterDelegate* delegate,
                 ProductPaths paths, UpdateTrust trust)
    : erlangVersionChecker_(std::move(erlangVersionChecker)), delegate_(delegate), paths_(std::move(paths)),
      trust_(std::move(trust))
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
    return paths_.packageServer + "/erlang/erlang/quorvel/general/" + installedVersion + "/"
        + architecture() + "/data.json";
}

void Updater::availableVersion(const std::string& installedVersion, FeedCompletion completion)
{
    std::string address = feedAddress(installedVersion);
    Ref<foundation::URL> url = foundation::URL::create(address);
    if (!url) {
        foundation::logDiagnostic("the installed version \"" + installedVersion + "\" does not form a valid feed address; no check today");
        return;
    }
    auto handler = [self = Ref<Updater>(this), address, completion = std::move(completion)](
                       Ref<foundation::Data> body, Ref<foundation::URLResponse>, Ref<foundation::Error> error) {
        if (error || !body)
            return;  // network failures end the day's check quietly
        self->acceptFeed(address, std::move(body), std::move(completion));
    };
    foundation::URLSession::sharedSession()->dataTaskWithURL(url, std::move(handler))->resume();
}

void Updater::acceptFeed(const std::string& address, Ref<foundation::Data> body, FeedCompletion completion)
{
    auto decode = [body, completion = std::move(completion)] {
        Ref<Object> feed = foundation::JSONSerialization::JSONObjectWithData(
            *body, foundation::JSONReadingOptions::AllowFragments, nullptr);
        if (!feed || !feed->isDictionary()) {
            foundation::logDiagnostic("the release feed is not a JSON object; no release announced today");
            return;
        }
        completion(foundation::static_ref_cast<foundation::Dictionary>(feed));
    };
    if (!trust_.key) {
        decode();
        return;
    }
    fetchSignature(address, [self = Ref<Updater>(this), address, body, decode = std::move(decode)](FetchedSignature fetched) {
        const auto* signature = std::get_if<SignatureFile>(&fetched);
        if (!signature && !refusalOfFetch(fetched))
            return;  // as quiet as an unreachable feed
        std::optional<std::string> refusal =
            signature ? refusalOfFeed(self->trust_, address, *signature, body->view(), secondsSince1970()) : refusalOfFetch(fetched);
        if (refusal) {
            printLine("Error: the release feed " + address + " was refused: " + *refusal);
            return;
        }
        rememberFeedTimestamp(address, *signingTime(*signature));
        decode();
    });
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
    std::string address = paths_.packageServer + "/site/zvk/" + *releasePath;
    Ref<foundation::URL> url = foundation::URL::create(address);
    if (!url) {
        foundation::logDiagnostic("the release path \"" + *releasePath + "\" does not form a valid download address; nothing downloaded");
        return;
    }
    if (!trust_.key) {
        startDownload(std::move(url), std::nullopt);
        return;
    }
    // The signature first: the downloaded file is gone once the download's
    // completion returns, so it must be checked within it.
    fetchSignature(address, [self = Ref<Updater>(this), url, address](FetchedSignature fetched) {
        if (auto* signature = std::get_if<SignatureFile>(&fetched)) {
            self->startDownload(url, std::move(*signature));
            return;
        }
        std::optional<std::string> refusal = refusalOfFetch(fetched);
        if (!refusal)
            refusal = "its signature could not be fetched (" + std::get<Ref<foundation::Error>>(fetched)->description() + ")";
        printLine("Error: the disk image " + address + " was refused: " + *refusal);
    });
}

void Updater::startDownload(Ref<foundation::URL> url, std::optional<SignatureFile> signature)
{
    auto completion = [self = Ref<Updater>(this), signature = std::move(signature)](
                          Ref<foundation::URL> location, Ref<foundation::URLResponse>, Ref<foundation::Error> error) {
        self->finishDownload(location.get(), error.get(), signature);
    };
    foundation::URLSession::sharedSession()->downloadTaskWithURL(url, std::move(completion))->resume();
}

bool Updater::imageVerifies(const SignatureFile& signature, const std::string& name, const std::string& path,
                            std::string_view what) const
{
    std::optional<std::string> refusal = refusalOfFile(*trust_.key, signature, name, path);
    if (refusal)
        printLine("Error: " + std::string(what) + " was refused: " + *refusal);
    return !refusal;
}

void Updater::finishDownload(foundation::URL* location, foundation::Error* transferError,
                             const std::optional<SignatureFile>& signature)
{
    // Without a downloaded file there is nothing to move or open: the one
    // line says why the download failed.
    if (!location) {
        printLine(transferError ? transferError->description() : "The download failed.");
        return;
    }
    std::optional<std::string> releasePath = path();  // read again, now
    std::optional<std::string> destination = releasePath ? downloadDestination(paths_.temporaryDirectory, *releasePath) : std::nullopt;
    if (!destination) {
        printLine("The release path \"" + releasePath.value_or("") + "\" does not name a file in "
                  + paths_.temporaryDirectory + "; the download was not kept.");
        return;
    }
    Ref<foundation::URL> destinationURL = foundation::URL::create(*destination);
    std::string name = destinationURL->lastPathComponent();
    if (signature && !imageVerifies(*signature, name, location->path(), "the downloaded disk image " + name)) {
        // Never moved to its name; removed now rather than left for the
        // session's clean-up.
        (void)::unlink(location->path().c_str());
        return;
    }
    Ref<foundation::Error> moveError;
    foundation::FileManager::defaultManager().moveItemAtURL(*location, *destinationURL, &moveError);
    printLine(moveError ? moveError->description() : "nil");
    if (moveError && !destinationHoldsOwnFile(*destination)) {
        foundation::logDiagnostic(*destination + " is held by something that is not this user's file; it is not opened");
        return;
    }
    // What was there before is not the file just verified.
    if (moveError && signature
        && !imageVerifies(*signature, name, destinationURL->path(), "the disk image already at " + destinationURL->path()))
        return;
    Ref<foundation::Task> task = foundation::Task::create();
    task->setLaunchPath(paths_.diskImageTool);
    task->setArguments({"attach", "-autoopen", *destination});
    task->launch();
}

} // namespace corvane
