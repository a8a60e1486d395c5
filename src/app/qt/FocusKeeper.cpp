#include "app/qt/FocusKeeper.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include "platform/PanelDesktop.h"

namespace brindlow {

namespace {
// How long after the map a focus change counts as the window manager's doing, not the user's:
// the window managers that focus every new window ignore its user time of 0 and say nothing of
// why they focused it.
constexpr std::chrono::milliseconds kGrace{1500};
}  // namespace

FocusKeeper::FocusKeeper(QWidget& window, PanelDesktop& desktop,
                         std::optional<std::uint32_t> previous)
    : QObject(&window),
      window_(&window),
      desktop_(desktop),
      previous_(previous),
      shown_(std::chrono::steady_clock::now()) {
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
                     [this](QWindow* now) { focusChanged(now); });
    // Heard on another thread, acted on here; unwatched before this goes.
    activeWatch_ = desktop_.watchActiveWindow([this](std::optional<std::uint32_t> active) {
        QMetaObject::invokeMethod(
            this, [this, active] { activeChanged(active); }, Qt::QueuedConnection);
    });
    // Under load the window manager may map the window well after it was shown: the moments
    // in which it hands the window the focus count from the map.
    if (QWindow* handle = window.windowHandle()) handle->installEventFilter(this);
}

FocusKeeper::~FocusKeeper() {
    desktop_.unwatchActiveWindow(activeWatch_);
}

bool FocusKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && !mapped_ && window_ &&
        window_->windowHandle()->isExposed()) {
        // Exposed once the window manager has taken the window on and mapped it: a window that
        // takes no focus may have been put under the active one (metacity), so it goes over.
        // Given the focus already, it goes over once the focus is back: handing it back raises
        // the window that had it.
        mapped_ = true;
        shown_ = std::chrono::steady_clock::now();
        raisePending_ = true;
        if (activeWatch_ == 0 || !previous_ ||
            desktop_.activeWindow() != std::uint32_t(window_->winId()))
            raise();
    }
    return QObject::eventFilter(watched, event);
}

bool FocusKeeper::shortlyAfterShowing() const {
    return std::chrono::steady_clock::now() - shown_ < kGrace;
}

void FocusKeeper::focusChanged(QWindow* now) {
    if (!window_ || !previous_) return;
    if (now != window_->windowHandle()) {
        // The focus went on to a window other than the one it is kept for: the user's choice
        // (a command, a click), which the keeper never undoes.
        const std::optional<std::uint32_t> active = desktop_.activeWindow();
        if (!now && active && *active != *previous_ && *active != std::uint32_t(window_->winId()))
            previous_.reset();
        return;
    }
    // Heard from the window manager itself where the desktop tells (below), once.
    if (activeWatch_ == 0 && shortlyAfterShowing()) handBack();
}

void FocusKeeper::raise() {
    if (!raisePending_ || !window_ || !window_->isVisible()) return;
    raisePending_ = false;
    desktop_.raiseWithoutFocus(std::uint32_t(window_->winId()));
}

void FocusKeeper::activeChanged(std::optional<std::uint32_t> active) {
    if (window_ && active && *active != std::uint32_t(window_->winId())) raise();
    if (!window_ || !previous_ || !active || *active == *previous_) return;
    if (*active != std::uint32_t(window_->winId())) {
        // Another window named active: the user's choice, never undone.
        previous_.reset();
        return;
    }
    // As often as the window manager insists, in those first moments.
    if (window_->isVisible() && shortlyAfterShowing()) handBack();
}

void FocusKeeper::handBack() {
    // Checked as it goes out: a window the user minimised (the window manager then focuses ours),
    // closed or sent away since is left so, and the keeper's work is over.
    if (desktop_.handFocusBack(*previous_)) return;
    previous_.reset();
    raise();
}

}  // namespace brindlow
