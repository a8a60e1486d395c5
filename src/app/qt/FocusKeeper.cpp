#include "app/qt/FocusKeeper.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "platform/PanelDesktop.h"

namespace brindlow {

namespace {
// How long after the map a focus change counts as the window manager's doing, not the user's.
constexpr std::chrono::milliseconds kGrace{1500};
// Looks after the map: by the first the window manager has taken the window on, which is then
// raised over the active one; each one gives the focus back if the window manager handed it to
// the window (some say so only in _NET_ACTIVE_WINDOW, so Qt hears no focus change).
constexpr int kLooksAfterMs[] = {150, 400, 800, 1300};
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
    // Under load the window manager may map the window well after it was shown: the moments
    // in which it hands the window the focus, and the looks, count from the map.
    if (QWindow* handle = window.windowHandle()) handle->installEventFilter(this);
}

bool FocusKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && !mapped_ && window_ &&
        window_->windowHandle()->isExposed()) {
        mapped_ = true;
        shown_ = std::chrono::steady_clock::now();
        for (const int after : kLooksAfterMs) QTimer::singleShot(after, this, [this] { look(); });
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
    // As often as the window manager insists, in those first moments.
    if (shortlyAfterShowing()) handBack();
}

void FocusKeeper::handBack() {
    // Checked as it goes out: a window the user minimised (the window manager then focuses ours),
    // closed or sent away since is left so, and the keeper's work is over.
    if (!desktop_.handFocusBack(*previous_)) previous_.reset();
}

void FocusKeeper::look() {
    if (!window_ || !window_->isVisible()) return;
    const auto own = std::uint32_t(window_->winId());
    if (!raised_) {
        raised_ = true;
        desktop_.raiseWithoutFocus(own);
    }
    if (previous_ && desktop_.activeWindow() == own) handBack();
}

}  // namespace brindlow
