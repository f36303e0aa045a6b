#include "foundation/runloop/RunLoop.h"

#include "foundation/runloop/Clock.h"
#include "foundation/objects/DebugCheck.h"
#include "foundation/objects/Exception.h"
#include "foundation/runloop/Timer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace foundation {

namespace {

// The longest single sleep: the loop then looks again. Keeps a far-off
// timer's wait within what the kernel's time type holds.
constexpr double maximumWait = 24 * 3600;

double realNow()
{
    using Seconds = std::chrono::duration<double>;
    return std::chrono::duration_cast<Seconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Timers in fire-date order; the sequence number keeps scheduling order
// among equal dates.
struct TimerKey {
    double fireDate;
    std::uint64_t sequence;
    friend bool operator<(const TimerKey& a, const TimerKey& b)
    {
        return a.fireDate < b.fireDate || (a.fireDate == b.fireDate && a.sequence < b.sequence);
    }
};

// The termination signals reach the main loop through this pipe: the signal
// handler only writes one byte, everything else happens on the main thread.
int terminationPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int signalNumber)
{
    int savedErrno = errno;
    unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] ssize_t written = ::write(terminationPipe[1], &byte, 1);
    errno = savedErrno;
}

void setTerminationDisposition(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

} // namespace

class RunLoop::Impl {
public:
    explicit Impl(int ownerThreadId)
        : ownerThreadId(ownerThreadId)
        , clock(std::make_shared<SystemClock>())
        , wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
        , sleepTimerFd(::timerfd_create(CLOCK_BOOTTIME, TFD_CLOEXEC | TFD_NONBLOCK))
    {
        if (wakeFd < 0 || sleepTimerFd < 0)
            raise(ExceptionName::InternalInconsistency, "RunLoop: no eventfd or timerfd for waking the loop");
    }

    ~Impl()
    {
        ::close(wakeFd);
        ::close(sleepTimerFd);
    }

    void wake()
    {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(wakeFd, &one, sizeof one);
    }

    // Runs the work that was posted before this call, one item at a time so
    // that an item that throws loses nothing behind it.
    // Answers whether anything ran.
    bool runPosted()
    {
        std::size_t pending;
        {
            std::lock_guard lock(mutex);
            pending = posted.size();
        }
        bool ran = false;
        while (pending--) {
            std::function<void()> work;
            {
                std::lock_guard lock(mutex);
                if (posted.empty())
                    break;
                work = std::move(posted.front());
                posted.pop_front();
            }
            work();
            ran = true;
        }
        return ran;
    }

    // Takes the earliest timer out of the schedule if it is due by `limit`
    // and was scheduled before sequence number `scheduledBefore`.
    Ref<Timer> takeDueTimer(double limit, std::uint64_t scheduledBefore = UINT64_MAX)
    {
        std::lock_guard lock(mutex);
        if (timers.empty() || timers.begin()->first.fireDate > limit
            || timers.begin()->first.sequence >= scheduledBefore)
            return nullptr;
        auto node = timers.extract(timers.begin());
        return std::move(node.mapped());
    }

    // Fires what is due now, each timer once at most: one rescheduled by its
    // own firing waits for the next turn even when it is due again (a clock
    // that runs so fast, or reads so large a time, that the next date does
    // not move past now), so that posts, descriptors and the termination
    // signals are served between firings whatever the clock does.
    // Answers whether any timer fired.
    bool fireDueTimers()
    {
        double now = currentClock()->now();
        std::uint64_t scheduledBefore;
        {
            std::lock_guard lock(mutex);
            scheduledBefore = nextSequence;
        }
        bool fired = false;
        while (Ref<Timer> timer = takeDueTimer(now, scheduledBefore)) {
            timer->fireFromLoop(now);
            fired = true;
        }
        return fired;
    }

    // A copy: setClock may replace the clock while this one is being read.
    std::shared_ptr<Clock> currentClock() const
    {
        std::lock_guard lock(mutex);
        return clock;
    }

    double secondsToNextTimer() const
    {
        std::lock_guard lock(mutex);
        if (!posted.empty())
            return 0;
        if (timers.empty())
            return INFINITY;
        return std::max(0.0, clock->realSecondsUntil(timers.begin()->first.fireDate));
    }

    // Sleeps until a post, a watched descriptor or `maxWait` real seconds,
    // then runs the handlers of readable descriptors.
    void waitForEvents(double maxWait)
    {
        struct Ready {
            WatchId id;
            std::shared_ptr<std::function<void()>> handler;
        };
        std::vector<pollfd> fds{{wakeFd, POLLIN, 0}};
        std::vector<Ready> candidates;
        {
            std::lock_guard lock(mutex);
            for (auto& watch : watches) {
                fds.push_back({watch.fd, POLLIN, 0});
                candidates.push_back({watch.id, watch.handler});
            }
        }
        // The source's descriptors follow ours; it sees only its own.
        std::vector<pollfd> sourceFds;
        if (eventSource)
            maxWait = std::min(maxWait, eventSource->prepare(sourceFds));
        std::size_t ownCount = fds.size();
        fds.insert(fds.end(), sourceFds.begin(), sourceFds.end());
        double wait = maxWait < maximumWait ? std::max(0.0, maxWait) : maximumWait;
        int ready = pollFor(fds, wait);
        if (eventSource) {
            std::copy(fds.begin() + static_cast<std::ptrdiff_t>(ownCount),
                      fds.begin() + static_cast<std::ptrdiff_t>(ownCount + sourceFds.size()), sourceFds.begin());
            if (ready < 0)
                for (auto& fd : sourceFds)
                    fd.revents = 0;
            eventSource->dispatch(sourceFds);
        }
        fds.resize(ownCount);
        if (ready <= 0)
            return;
        if (fds[0].revents) {
            std::uint64_t count;
            [[maybe_unused]] ssize_t bytes = ::read(wakeFd, &count, sizeof count);
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents && isWatched(candidates[i - 1].id))
                (*candidates[i - 1].handler)();
        }
    }

    // Polls `fds` for at most `wait` real seconds, measured on the boot-time
    // clock like the timers: a poll's own time-out stops while the machine
    // is suspended, a timer file on CLOCK_BOOTTIME does not, so a timer
    // that fell due during a suspend wakes the loop right after resume.
    int pollFor(std::vector<pollfd>& fds, double wait)
    {
        timespec zero{};
        if (wait <= 0)
            return ::ppoll(fds.data(), fds.size(), &zero, nullptr);
        double whole = std::floor(wait);
        itimerspec expiry{};
        expiry.it_value = {static_cast<time_t>(whole), static_cast<long>((wait - whole) * 1e9)};
        if (expiry.it_value.tv_sec == 0 && expiry.it_value.tv_nsec == 0)
            expiry.it_value.tv_nsec = 1;  // a zero expiry would disarm the timer instead
        // Setting the timer again also clears an expiry the last sleep did not read.
        ::timerfd_settime(sleepTimerFd, 0, &expiry, nullptr);
        fds.push_back({sleepTimerFd, POLLIN, 0});
        int ready = ::ppoll(fds.data(), fds.size(), nullptr, nullptr);
        fds.pop_back();
        return ready;
    }

    bool isWatched(WatchId id) const
    {
        std::lock_guard lock(mutex);
        return std::any_of(watches.begin(), watches.end(), [id](const Watch& watch) { return watch.id == id; });
    }

    // One turn of the loop. After work has run it does not sleep, so that
    // runUntil can look at its condition again.
    void runOnce(double maxWait)
    {
        bool ran = runPosted();
        ran = fireDueTimers() || ran;
        waitForEvents(ran ? 0 : std::min(maxWait, secondsToNextTimer()));
    }

    struct Watch {
        WatchId id;
        int fd;
        std::shared_ptr<std::function<void()>> handler;
    };

    const int ownerThreadId;
    mutable std::mutex mutex;
    std::deque<std::function<void()>> posted;
    std::map<TimerKey, Ref<Timer>> timers;
    std::uint64_t nextSequence = 0;
    std::shared_ptr<Clock> clock;
    std::vector<Watch> watches;
    WatchId nextWatchId = 1;
    int wakeFd;
    int sleepTimerFd;  // ends each sleep, on the boot-time clock
    std::atomic<bool> stopRequested{false};
    RunLoopEventSource* eventSource = nullptr;  // the loop's thread only
    std::function<void()> terminationHandler;
    WatchId terminationWatch = 0;
};

RunLoop::RunLoop(int ownerThreadId)
    : impl_(std::make_unique<Impl>(ownerThreadId))
{
}

RunLoop::~RunLoop()
{
    std::map<TimerKey, Ref<Timer>> timers;
    {
        std::lock_guard lock(impl_->mutex);
        timers.swap(impl_->timers);
    }
    for (auto& [key, timer] : timers)
        timer->detachFromLoop();
}

bool RunLoop::isMainThread()
{
    return ::gettid() == ::getpid();
}

RunLoop& RunLoop::main()
{
    // Lives as long as the process: timers and queued work may be released
    // by other static destructors that would otherwise find it gone.
    static RunLoop* loop = new RunLoop(::getpid());
    return *loop;
}

RunLoop& RunLoop::current()
{
    if (isMainThread())
        return main();
    // A thread's loop outlives the thread: connections and timers elsewhere
    // may still post to it, and their work must find a queue, not freed
    // memory. The registry keeps every such loop reachable for good.
    thread_local RunLoop* loop = nullptr;
    if (!loop) {
        static std::mutex registryMutex;
        static auto* registry = new std::vector<std::unique_ptr<RunLoop>>;
        std::lock_guard lock(registryMutex);
        registry->emplace_back(new RunLoop(::gettid()));
        loop = registry->back().get();
    }
    return *loop;
}

void RunLoop::post(std::function<void()> work)
{
    bool wasEmpty;
    {
        std::lock_guard lock(impl_->mutex);
        wasEmpty = impl_->posted.empty();
        impl_->posted.push_back(std::move(work));
    }
    // A non-empty queue keeps the loop from sleeping, so only the first post
    // into an empty queue needs to wake it.
    if (wasEmpty)
        impl_->wake();
}

void RunLoop::requireOwnerThread(const char* operation) const
{
    if (::gettid() != impl_->ownerThreadId)
        raise(ExceptionName::InternalInconsistency, std::string("RunLoop::") + operation + " called off the loop's own thread");
}

void RunLoop::run()
{
    requireOwnerThread("run");
    while (!impl_->stopRequested.load(std::memory_order_acquire))
        impl_->runOnce(INFINITY);
    impl_->stopRequested.store(false, std::memory_order_release);
}

void RunLoop::stop()
{
    impl_->stopRequested.store(true, std::memory_order_release);
    impl_->wake();
}

bool RunLoop::runUntil(const std::function<bool()>& done, double realTimeoutSeconds)
{
    requireOwnerThread("runUntil");
    double deadline = realNow() + realTimeoutSeconds;
    while (!done()) {
        double remaining = deadline - realNow();
        if (remaining <= 0)
            return done();
        impl_->runOnce(remaining);
    }
    return true;
}

void RunLoop::setClock(std::shared_ptr<Clock> clock)
{
    // clock() hands out a plain reference that the loop's thread keeps
    // using; a replacement from another thread frees the clock under it.
    FOUNDATION_DEBUG_CHECK(::gettid() == impl_->ownerThreadId,
        "RunLoop::setClock called off the loop's own thread (the clock belongs to the loop's thread)",
        "set the clock on the thread that runs the loop (for the main loop, the main thread), or post "
        "the change to the loop with post()");
    if (!clock)
        raise(ExceptionName::InvalidArgument, "RunLoop::setClock: no clock");
    {
        std::lock_guard lock(impl_->mutex);
        double shift = clock->now() - impl_->clock->now();
        std::map<TimerKey, Ref<Timer>> shifted;
        for (auto& [key, timer] : impl_->timers) {
            TimerKey moved{key.fireDate + shift, key.sequence};
            std::lock_guard timerLock(timer->mutex_);
            timer->fireDate_ = moved.fireDate;
            shifted.emplace(moved, std::move(timer));
        }
        impl_->timers.swap(shifted);
        impl_->clock = std::move(clock);
    }
    impl_->wake();
}

Clock& RunLoop::clock() const
{
    std::lock_guard lock(impl_->mutex);
    return *impl_->clock;
}

void RunLoop::advanceBy(double seconds)
{
    requireOwnerThread("advanceBy");
    std::shared_ptr<ManualClock> manual = std::dynamic_pointer_cast<ManualClock>(impl_->currentClock());
    if (!manual)
        raise(ExceptionName::InternalInconsistency, "RunLoop::advanceBy needs a ManualClock");
    if (!(seconds >= 0))
        raise(ExceptionName::InvalidArgument, "RunLoop::advanceBy: time only moves forward");

    double target = manual->now() + seconds;
    impl_->runPosted();
    // One timer at a time, each at its own fire date, so that a firing sees
    // the time it was due and work it posts runs before later timers.
    while (Ref<Timer> timer = impl_->takeDueTimer(target)) {
        double due = std::max(manual->now(), timer->fireDate());
        manual->set(due);
        timer->fireFromLoop(due);
        impl_->runPosted();
    }
    manual->set(std::max(manual->now(), target));
}

void RunLoop::addTimer(const Ref<Timer>& timer)
{
    if (!timer)
        raise(ExceptionName::InvalidArgument, "RunLoop::addTimer: no timer");
    {
        std::lock_guard lock(impl_->mutex);
        TimerKey key;
        {
            std::lock_guard timerLock(timer->mutex_);
            if (!timer->valid_)
                return;
            if (timer->loop_)
                raise(ExceptionName::InvalidArgument, "RunLoop::addTimer: the timer is already scheduled");
            timer->loop_ = this;
            timer->fireDate_ = impl_->clock->now() + timer->interval_;
            timer->sequence_ = impl_->nextSequence++;
            key = {timer->fireDate_, timer->sequence_};
        }
        impl_->timers.emplace(key, timer);
    }
    impl_->wake();
}

std::size_t RunLoop::timerCount() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->timers.size();
}

void RunLoop::rescheduleTimer(Timer& timer, double fireDate)
{
    std::lock_guard lock(impl_->mutex);
    TimerKey key;
    {
        std::lock_guard timerLock(timer.mutex_);
        if (!timer.valid_ || timer.loop_ != this)
            return;
        timer.fireDate_ = fireDate;
        timer.sequence_ = impl_->nextSequence++;
        key = {timer.fireDate_, timer.sequence_};
    }
    impl_->timers.emplace(key, Ref<Timer>(&timer));
}

void RunLoop::removeTimer(Timer& timer)
{
    Ref<Timer> removed;  // released after the lock: the timer may die with it
    std::lock_guard lock(impl_->mutex);
    TimerKey key;
    {
        std::lock_guard timerLock(timer.mutex_);
        key = {timer.fireDate_, timer.sequence_};
    }
    auto found = impl_->timers.find(key);
    if (found != impl_->timers.end() && found->second.get() == &timer) {
        removed = std::move(found->second);
        impl_->timers.erase(found);
    }
}

RunLoop::WatchId RunLoop::watchReadable(int fd, std::function<void()> handler)
{
    WatchId id;
    {
        std::lock_guard lock(impl_->mutex);
        id = impl_->nextWatchId++;
        impl_->watches.push_back({id, fd, std::make_shared<std::function<void()>>(std::move(handler))});
    }
    impl_->wake();
    return id;
}

void RunLoop::unwatch(WatchId id)
{
    std::shared_ptr<std::function<void()>> handler;  // released after the lock
    {
        std::lock_guard lock(impl_->mutex);
        auto& watches = impl_->watches;
        auto found = std::find_if(watches.begin(), watches.end(), [id](const Impl::Watch& watch) { return watch.id == id; });
        if (found == watches.end())
            return;
        handler = std::move(found->handler);
        watches.erase(found);
    }
    impl_->wake();
}

void RunLoop::setEventSource(RunLoopEventSource* source)
{
    requireOwnerThread("setEventSource");
    impl_->eventSource = source;
}

void RunLoop::setTerminationHandler(std::function<void()> handler)
{
    if (this != &main())
        raise(ExceptionName::InternalInconsistency, "RunLoop: only the main loop handles termination signals");
    if (terminationPipe[0] < 0 && ::pipe2(terminationPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        raise(ExceptionName::InternalInconsistency, "RunLoop: no pipe for termination signals");

    bool installed = impl_->terminationWatch != 0;
    if (!handler) {
        if (installed) {
            setTerminationDisposition(SIG_DFL);
            unwatch(std::exchange(impl_->terminationWatch, 0));
        }
        return;
    }
    {
        std::lock_guard lock(impl_->mutex);
        impl_->terminationHandler = std::move(handler);
    }
    if (!installed) {
        impl_->terminationWatch = watchReadable(terminationPipe[0], [this] {
            unsigned char bytes[64];
            while (::read(terminationPipe[0], bytes, sizeof bytes) > 0) {
            }
            std::function<void()> handler;
            {
                std::lock_guard lock(impl_->mutex);
                handler = impl_->terminationHandler;
            }
            if (handler)
                handler();
            stop();
        });
        setTerminationDisposition(onTerminationSignal);
    }
}

} // namespace foundation
