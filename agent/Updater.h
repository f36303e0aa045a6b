#pragma once

#include "agent/ErlangVersionChecker.h"
#include "agent/ProductPaths.h"
#include "agent/SignatureFile.h"
#include "agent/UpdateTrust.h"
#include "agent/UpdaterDelegate.h"

#include "foundation/objects/Data.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Error.h"
#include "foundation/objects/URL.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace corvane {

// Once every 24 hours decides whether a newer Erlang release should be
// announced, and keeps the user's choice to skip one release ("skipVersion"
// in the user defaults). Made once at launch; its repeating timer holds it
// for the life of the process.
//
// Threads: the check starts on the main thread; the feed's reply is handled
// on the URL-loading background queue, which writes canonical_version and
// path; the window is shown through the main operation queue. The two
// strings are also read by the buttons on the main thread and by the
// download's completion in the background, so they are guarded.
//
// With a key in its trust, the feed and the disk image are used only when
// the signature files beside them on the server verify; each refusal is
// one "Error: " line on standard output, and a refused feed or image
// changes nothing and opens nothing.
class Updater final : public foundation::Object {
public:
    using FeedCompletion = std::function<void(foundation::Ref<foundation::Dictionary> feed)>;

    // Schedules the repeating check timer on the calling thread's run loop:
    // the first check runs one full interval after construction.
    // `paths` name the server and the places it works with, `trust` what it
    // demands of the vendor's files.
    static foundation::Ref<Updater> create(std::unique_ptr<ErlangVersionChecker> erlangVersionChecker,
                                           UpdaterDelegate* delegate, ProductPaths paths, UpdateTrust trust);

    static constexpr double twentyFourHours = 86400.0;

    const ErlangVersionChecker& erlangVersionChecker() const noexcept { return *erlangVersionChecker_; }
    std::optional<std::string> canonical_version() const;
    void setCanonical_version(std::optional<std::string> version);
    std::optional<std::string> path() const;
    void setPath(std::optional<std::string> path);
    foundation::Ref<UpdaterDelegate> delegate() const { return delegate_.get(); }
    void setDelegate(UpdaterDelegate* delegate) { delegate_ = delegate; }

    // One check; the timer's action "updateErlangIfNeeded:".
    void updateErlangIfNeeded();
    // Starts the feed request for an installed version; the completion runs
    // later on a background queue, only for a reply that decoded to a JSON
    // object (and, with a key, whose signature was accepted).
    void availableVersion(const std::string& installedVersion, FeedCompletion completion);
    // The reply handler of a check: reads the offered release, records it
    // and, when it is new to this user, announces it through the main queue.
    // Runs on the background queue that delivers the feed.
    void handleFeed(const foundation::Dictionary& feed, const std::string& installedVersion);
    // "64" for a 64-bit agent, "32" otherwise.
    std::string architecture() const;
    // The feed's address for an installed version (no escaping of any part).
    std::string feedAddress(const std::string& installedVersion) const;

    std::optional<std::string> getSkipVersion() const;
    void skipVersion();

    // Fetches the announced release's disk image, moves it into the
    // temporary directory and hands it to the disk-image tool. With a key,
    // the image's signature is fetched first and the image is verified
    // before it is moved; an image already in the directory under the same
    // name is opened only if it verifies against that signature too.
    void downloadAndRunNewVersion();

    const char* className() const override { return "Updater"; }
    const foundation::OperationTable& operations() const override;

private:
    Updater(std::unique_ptr<ErlangVersionChecker> erlangVersionChecker, UpdaterDelegate* delegate, ProductPaths paths,
            UpdateTrust trust);

    // Decodes the feed's body for `completion`; with a key, only once the
    // signature beside it has been fetched and accepted.
    void acceptFeed(const std::string& address, foundation::Ref<foundation::Data> body, FeedCompletion completion);
    // Downloads the image; with a signature, the image is verified before
    // it is moved to its name.
    void startDownload(foundation::Ref<foundation::URL> url, std::optional<SignatureFile> signature);
    void finishDownload(foundation::URL* location, foundation::Error* transferError,
                        const std::optional<SignatureFile>& signature);
    // Whether the file at `path`, to be opened as `name`, may be opened;
    // says why not on standard output.
    bool imageVerifies(const SignatureFile& signature, const std::string& name, const std::string& path,
                       std::string_view what) const;

    std::unique_ptr<ErlangVersionChecker> erlangVersionChecker_;
    foundation::WeakRef<UpdaterDelegate> delegate_;
    const ProductPaths paths_;
    const UpdateTrust trust_;
    mutable std::mutex stateMutex_;
    std::optional<std::string> canonicalVersion_;
    std::optional<std::string> path_;
};

// The user-defaults key of the skipped version.
inline constexpr std::string_view SkipVersionKey = "skipVersion";

} // namespace corvane
