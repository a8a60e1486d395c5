#include "app/qt/OwnWindows.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "panels/qt/PanelWindow.h"
#include "windows/WindowObserver.h"

namespace brindlow {

namespace {

// A window of ours that the window manager frames: not an overlay, a menu or a tooltip.
bool isFramedWindow(const QWidget& window) {
    return window.isWindow() && !window.windowFlags().testFlag(Qt::BypassWindowManagerHint) &&
           window.windowType() != Qt::Popup && window.windowType() != Qt::ToolTip;
}

}  // namespace

OwnWindowWatch::OwnWindowWatch(std::function<void()> changed) : changed_(std::move(changed)) {
    if (qApp) qApp->installEventFilter(this);
}

OwnWindowWatch::~OwnWindowWatch() {
    if (qApp) qApp->removeEventFilter(this);
}

bool OwnWindowWatch::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide && type != QEvent::Move &&
        type != QEvent::Resize)
        return false;
    const auto* window = qobject_cast<QWidget*>(watched);
    if (!window || !isFramedWindow(*window) || pending_) return false;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        changed_();
    });
    return false;
}

std::vector<Rect> ownWindowFrames() {
    std::vector<Rect> frames;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return frames;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->isMinimized() || !isFramedWindow(*window)) continue;
        // A panel's shadow falls in a transparent margin of its window: only what is drawn.
        if (const auto* panel = dynamic_cast<const PanelWindow*>(window)) {
            frames.push_back(panel->drawnFrame());
            continue;
        }
        const QRect frame = window->frameGeometry();
        frames.push_back(Rect(frame.x(), frame.y(), frame.width(), frame.height()));
    }
    return frames;
}

std::vector<std::uint32_t> focusedStackWindows(const StripSnapshot& snapshot) {
    std::vector<std::uint32_t> windows;
    const DisplaySnapshot* active = snapshot.activeDisplay();
    if (!active || !active->focusedIndex || *active->focusedIndex < 0 ||
        *active->focusedIndex >= int(active->columns.size()))
        return windows;
    for (const WindowSnapshot& window : active->columns[*active->focusedIndex].windows)
        windows.push_back(std::uint32_t(window.id));
    if (windows.size() < 2) windows.clear();
    return windows;
}

std::vector<RunningApplication> applicationsWithOrdinaryWindows(const Workspace& workspace,
                                                                Accessibility* accessibility) {
    std::vector<RunningApplication> running = workspace.runningApplications();
    if (accessibility)
        std::erase_if(running, [accessibility](const RunningApplication& app) {
            return !WindowObserver::showsOrdinaryWindows(*accessibility, app.pid);
        });
    return running;
}

}  // namespace brindlow
