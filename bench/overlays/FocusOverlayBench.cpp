// The main thread's cost of one focus-frame update for three displays: the controller alone (over
// surfaces that only record) and with real X11 surfaces when a display is set (run it inside
// scripts/x11-session). Each update moves the focus on every display (a new target: slide, dim
// cross-fade, three re-assertions) or repeats it (the same target); the follow-up animation steps
// run outside the measured time. "pending_when_idle" counts the timers left once everything has
// settled: 0 means nothing fires while nothing changes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include <mutex>
#include "overlays/FocusOverlayController.h"
#include "platform/Executor.h"
#include "platform/ManualUiScheduler.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/overlay/X11SurfaceFactory.h"

namespace brindlow {
namespace {

class RecordingSurface final : public Surface {
  public:
    Rect frame() const override { return frame_; }
    void setFrame(const Rect& frame) override { frame_ = frame; }
    double alpha() const override { return alpha_; }
    void setAlpha(double alpha) override { alpha_ = alpha; }
    bool blends() const override { return true; }
    void setBackgroundColor(const Color&) override {}
    void redraw() override {}
    void setHole(const std::optional<Rect>&) override {}
    bool isVisible() const override { return visible_; }
    SurfaceTier tier() const override { return tier_; }
    void setTier(SurfaceTier tier) override { tier_ = tier; }
    void orderFront() override { visible_ = true; }
    bool orderAbove(std::uint32_t) override { return visible_ = true; }
    bool orderBelow(std::uint32_t) override { return visible_ = true; }
    void orderOut() override { visible_ = false; }

  private:
    Rect frame_;
    double alpha_ = 1;
    bool visible_ = false;
    SurfaceTier tier_ = SurfaceTier::normal;
};

class RecordingFactory final : public SurfaceFactory {
  public:
    std::unique_ptr<Surface> makeSurface(const SurfaceOptions&,
                                         std::shared_ptr<SurfaceContent>) override {
        return std::make_unique<RecordingSurface>();
    }
    bool compositing() const override { return true; }
    ObserverToken addDesktopChangeObserver(std::function<void()>) override { return 1; }
    void removeDesktopChangeObserver(ObserverToken) override {}
};

// The bench's own thread as the main queue: blocks the X event thread posts run between updates.
class DrainedExecutor final : public Executor {
  public:
    void async(Block block) override {
        std::lock_guard lock(mutex_);
        blocks_.push_back(std::move(block));
    }
    void asyncAfter(double, Block block) override { async(std::move(block)); }
    void sync(Block block) override { block(); }
    bool isCurrent() const override { return true; }
    const std::string& label() const override { return label_; }
    void drain() {
        std::vector<Block> blocks;
        {
            std::lock_guard lock(mutex_);
            blocks.swap(blocks_);
        }
        for (Block& block : blocks) block();
    }

  private:
    std::mutex mutex_;
    std::vector<Block> blocks_;
    std::string label_ = "com.vemto.brindlow.main";
};

DrainedExecutor& mainQueue() {
    static DrainedExecutor queue;
    return queue;
}

std::vector<FocusFrame> frames(int step, const std::vector<std::uint32_t>& numbers) {
    std::vector<FocusFrame> list;
    for (int d = 0; d < 3; ++d) {
        const Rect screen(1920.0 * d, 0, 1920, 1080);
        const Rect window = screen.offsetBy(step % 2 ? 960 : 12, 12);
        list.push_back({"D" + std::to_string(d), screen, Rect(window.x, window.y, 940, 1056),
                        numbers[std::size_t(2 * d + step % 2)], false});
    }
    return list;
}

void runUpdates(benchmark::State& state, SurfaceFactory& factory,
                const std::vector<std::uint32_t>& numbers, bool newTarget) {
    ManualUiScheduler clock;
    Animator animator(clock);
    FocusOverlayController controller(factory, clock, animator);
    AppSettings settings;
    settings.focusBorder = true;
    settings.dimInactive = true;
    controller.update(frames(0, numbers), settings);
    clock.advance(1.0);
    int step = 0;
    for (auto _ : state) {
        if (newTarget) ++step;
        controller.update(frames(step, numbers), settings);
        state.PauseTiming();
        clock.advance(1.0);
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
        mainQueue().drain();
        state.ResumeTiming();
    }
    state.counters["pending_when_idle"] = double(clock.pendingCount());
}

void BM_FocusUpdate3Displays_Recording(benchmark::State& state) {
    RecordingFactory factory;
    runUpdates(state, factory, {1, 2, 3, 4, 5, 6}, state.range(0) != 0);
}
BENCHMARK(BM_FocusUpdate3Displays_Recording)
    ->ArgName("newTarget")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

// Real override-redirect windows, restacked against six real top-level windows of our own.
void BM_FocusUpdate3Displays_X11(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("DISPLAY is not set");
        return;
    }
    static int argc = 1;
    static char name[] = "bench_overlays";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    static auto events = X11Connection::open();
    static auto factory = X11SurfaceFactory::open(*events, mainQueue());
    static std::vector<std::uint32_t> numbers = [] {
        std::vector<std::uint32_t> made;
        xcb_connection_t* c = events->xcb();
        for (int i = 0; i < 6; ++i) {
            const xcb_window_t w = xcb_generate_id(c);
            const std::uint32_t overrideRedirect = 1;
            xcb_create_window(c, XCB_COPY_FROM_PARENT, w, events->root(), 10 * i, 10, 100, 100, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                              XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
            xcb_map_window(c, w);
            made.push_back(w);
        }
        events->sync();
        return made;
    }();
    if (!factory) {
        state.SkipWithError("the toolkit does not run on X11");
        return;
    }
    runUpdates(state, *factory, numbers, state.range(0) != 0);
}
BENCHMARK(BM_FocusUpdate3Displays_X11)
    ->ArgName("newTarget")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brindlow
