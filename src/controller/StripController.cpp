#include "controller/StripController.h"

#include <stdexcept>
#include <thread>

#include "settings/JSONFiles.h"
#include "settings/UsableSettings.h"

namespace brindlow {

namespace {

void runConcurrently(size_t count, const std::function<void(size_t)>& job) {
    if (count == 0) return;
    std::vector<std::thread> workers;
    workers.reserve(count - 1);
    for (size_t index = 1; index < count; ++index)
        workers.emplace_back([&job, index] { job(index); });
    job(0);
    for (std::thread& worker : workers) worker.join();
}

std::unique_ptr<StripController>& sharedSlot() {
    static std::unique_ptr<StripController> instance;
    return instance;
}

}  // namespace

StripControllerMembers::StripControllerMembers(StripControllerEnvironment environment,
                                               StripController* owner)
    : env_(std::move(environment)),
      log_(makeLogger("StripController")),
      queue_(env_.stripQueue),
      main_(*env_.platform.main),
      clock_(*env_.platform.clock),
      windowMover_(*env_.platform.accessibility),
      alive_(std::make_shared<StripController*>(owner)),
      weakSelf_(alive_) {}

StripController::StripController(StripControllerEnvironment environment)
    : StripControllerMembers(std::move(environment), this) {
    if (!queue_) throw std::invalid_argument("StripController needs a strip queue");
    if (!env_.concurrentPerform) env_.concurrentPerform = runConcurrently;
    state_.learnedHeights = LearnedHeights::load(env_.storageFolder);
    asyncMover_ = std::make_unique<AsyncMover>(windowMover_, clock_, env_.platform.makeSerialQueue);
    raiser_ = std::make_unique<AsyncRaiser>(windowMover_, env_.platform.makeSerialQueue);
    displayLink_ = std::make_unique<DisplayLinkDriver>(env_.makeDisplayLink, clock_);
    LayoutApplier::Hooks hooks;
    hooks.geometry = [this](const std::string& uuid) { return geometry(uuid); };
    hooks.minimumHeights = [this](const Strip& strip) { return minimumHeights(strip); };
    hooks.gapStrips = [this](const std::vector<GapBand>& bands) { return makeGapStrips(bands); };
    hooks.publishSnapshot = [this](const SnapshotReason& reason) { publishSnapshot(reason); };
    hooks.publishFocusFrames = [this] { publishFocusFrames(); };
    hooks.windowsVanished = [this](const std::string& uuid, const std::vector<WindowID>& ids) {
        for (const WindowID id : ids) remove(id, Removal::gone);
        afterStructureChange(uuid);
    };
    hooks.sizesLearned = [this](const std::string& uuid) {
        if (const std::optional<ToastMessage> message = unstackColumnsWithoutRoom(uuid)) {
            showMessage(*message);
            session_->scheduleSave();
            publishSnapshot(SnapshotReason::structure());
        }
        clampViewport(uuid);
        relayout(uuid);
    };
    hooks.runAfter = [this](double seconds, std::function<void()> block) {
        enqueueAfter(seconds, std::move(block));
    };
    // No pointer query per frame: the platform listens for the user's hand while our moves go on,
    // and the pointer is read when a focus event asks.
    hooks.windowsMoved = [this](const std::vector<StillPointerFocus::FormerFrame>& formerFrames) {
        listenForHand(stillPointer_.moved(now(), formerFrames));
    };
    hooks.windowsRestacked = [this](const std::vector<StackingAsk>& asks) {
        listenForHand(stillPointer_.restacked(now(), asks));
    };
    hooks.beforeMoves = [this] { originals_->keepCurrent(); };
    originals_ = std::make_unique<OriginalFramesKeeper>(state_, env_.storageFolder);
    applier_ =
        std::make_unique<LayoutApplier>(state_, env_, windowMover_, *asyncMover_, std::move(hooks));
    SessionKeeper::Hooks sessionHooks;
    sessionHooks.runAfter = [this](double seconds, std::function<void()> block) {
        enqueueAfter(seconds, std::move(block));
    };
    sessionHooks.rearranged = [this] {
        for (const std::string& uuid : std::vector<std::string>(state_.displayOrder))
            afterStructureChange(uuid);
        if (state_.activeUUID) raiseFocused(*state_.activeUUID);
    };
    session_ = std::make_unique<SessionKeeper>(state_, env_.storageFolder, std::move(sessionHooks));
    ApplicationTracker::Hooks trackerHooks;
    trackerHooks.run = [weak = weakSelf_](std::function<void()> block) {
        if (auto alive = weak.lock()) (*alive)->enqueue(std::move(block));
    };
    trackerHooks.runAfter = [this](double seconds, std::function<void()> block) {
        enqueueAfter(seconds, std::move(block));
    };
    trackerHooks.structureChanged = [this](const std::string& uuid) { afterStructureChange(uuid); };
    trackerHooks.publishSnapshot = [this](const SnapshotReason& reason) {
        publishSnapshot(reason);
    };
    trackerHooks.windowFocused = [this](WindowID id) { return windowFocused(id); };
    trackerHooks.raiseFocused = [this](const std::string& uuid) { raiseFocused(uuid); };
    trackerHooks.newWindowFocused = [this](WindowID id) { newWindowTookFocus(id); };
    trackerHooks.windowFocusedAside = [this](WindowID id) { windowFocusedAside(id); };
    trackerHooks.mapFocusAfterCommand = [this](WindowID id) { return mapFocusAfterCommand(id); };
    trackerHooks.windowClosed = [this](WindowID id) { windowClosed(id); };
    trackerHooks.focusedWindowMinimised = [this](const std::string& uuid) {
        focusedWindowMinimised(uuid);
    };
    trackerHooks.windowHidden = [this](WindowID id) { stillPointer_.hidden(id, now()); };
    trackerHooks.windowRestored = [this](WindowID id) { stillPointer_.restored(id); };
    trackerHooks.windowMoved = [this](WindowID id) { watchDrag(id); };
    trackerHooks.windowResized = [this](WindowID id) { windowResized(id); };
    trackerHooks.windowMaximizedChanged = [this](WindowID id) { maximizedChanged(id); };
    trackerHooks.displayInUse = [this](const Rect& frame) { return displayInUse(frame); };
    tracker_ =
        std::make_unique<ApplicationTracker>(state_, env_, *asyncMover_, std::move(trackerHooks));

    std::weak_ptr<StripController*> weak = weakSelf_;
    displayLink_->onFrame = [weak](double time) {
        if (auto alive = weak.lock()) (*alive)->frameTick(time);
    };
    raiser_->setOnRaised([weak](WindowID raised) {
        if (auto alive = weak.lock()) (*alive)->windowRaised(raised);
    });
    // A raise none of whose steps went out is never answered: it is awaited no longer.
    raiser_->setOnNotSent([weak](WindowID window) {
        if (auto alive = weak.lock())
            (*alive)->enqueue([self = *alive, window] { self->raiseEchoes_.withdraw(window); });
    });
}

StripController::~StripController() {
    stopped_ = true;
    alive_.reset();
    // A strip-queue block that took the controller before alive_ went may still be running;
    // blocks queued after it find the controller gone. Waiting here keeps the state from being
    // freed under it. (The application only destroys a controller whose stop finished.)
    if (!queue_->isCurrent()) queue_->sync([] {});
    displayLink_.reset();
    for (const auto& [event, token] : workspaceTokens_)
        env_.platform.workspace->removeObserver(token);
    if (screensToken_) env_.platform.screens->removeChangeObserver(*screensToken_);
    if (stackingToken_) env_.platform.windowList->removeStackingObserver(*stackingToken_);
    for (auto& [pid, observer] : state_.observers) observer->stop();
}

void StripController::installShared(StripControllerEnvironment environment) {
    if (!sharedSlot()) sharedSlot() = std::make_unique<StripController>(std::move(environment));
}

StripController& StripController::shared() {
    if (!sharedSlot()) throw std::logic_error("StripController::installShared was not called");
    return *sharedSlot();
}

// MARK: Queue hops

void StripController::enqueue(std::function<void()> block) {
    std::weak_ptr<StripController*> weak = weakSelf_;
    queue_->async([weak, block = std::move(block)] {
        auto alive = weak.lock();
        if (!alive || (*alive)->stopped_.load()) return;
        (*alive)->catchUpGate_.noteStripWork();
        block();
    });
}

void StripController::enqueueAfter(double seconds, std::function<void()> block) {
    std::weak_ptr<StripController*> weak = weakSelf_;
    queue_->asyncAfter(seconds, [weak, block = std::move(block)] {
        auto alive = weak.lock();
        if (!alive || (*alive)->stopped_.load()) return;
        (*alive)->catchUpGate_.noteStripWork();
        block();
    });
}

void StripController::onMain(std::function<void()> block) {
    main_.async(std::move(block));
}

void StripController::updateSettings(AppSettings settings) {
    enqueue([this, settings = usableSettings(settings, DisplayInfo::usableSizes(lastDisplays_))] {
        applySettings(settings);
    });
}

void StripController::perform(Command command) {
    enqueue([this, command] { execute(command); });
}

void StripController::windowRaised(WindowID raised) {
    enqueue([this, raised] { applier_->liftParkedBeside(raised); });
    enqueueAfter(0.05, [this] { publishFocusFrames(); });
    enqueueAfter(0.25, [this] { publishFocusFrames(); });
}

void StripController::stackingChanged() {
    // Heard on the platform's event thread: the traits are read on the strip queue.
    enqueue([this] {
        // What a restack brings under a resting pointer matters only where the focus follows it.
        if (env_.windowManagerTraits().followsPointer() && stillPointer_.awaitsRestack())
            if (const std::optional<double> until =
                    stillPointer_.stackingChanged(now(), env_.platform.windowList->stackingOrder()))
                listenForHand(*until);
        if (applier_->watchingLifts()) applier_->stackingChanged();
    });
}

std::optional<std::string> StripController::displayUnder(Point point) const {
    for (const std::string& uuid : state_.displayOrder) {
        const DisplayState* display = stateOf(uuid);
        if (display && display->info.frame.contains(point)) return uuid;
    }
    return std::nullopt;
}

}  // namespace brindlow
