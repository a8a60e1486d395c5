#include "app/qt/OwnWindows.h"

#include <QApplication>
#include <QWidget>

#include "windows/WindowObserver.h"

namespace brindlow {

std::vector<Rect> ownWindowFrames() {
    std::vector<Rect> frames;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return frames;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->isMinimized() ||
            window->windowFlags().testFlag(Qt::BypassWindowManagerHint) ||
            window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip)
            continue;
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
