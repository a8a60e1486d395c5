#include "overlays/WindowPresenter.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

namespace brindlow {

namespace {

// Qt's xcb back end reads this property of the native window at each showing: true maps the
// window with a user time of 0, which tells the window manager not to focus it.
constexpr const char* kShowWithoutActivating = "_q_showWithoutActivating";

void bringToFront(QWidget& window, bool activate) {
    if (window.isMinimized()) window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    window.winId();  // the native window exists from here on
    if (QWindow* native = window.windowHandle())
        native->setProperty(kShowWithoutActivating, !activate);
    window.show();
    window.raise();
    if (activate) window.activateWindow();
}

}  // namespace

WindowPresenter::WindowPresenter() {
    QApplication::setQuitOnLastWindowClosed(false);
}

WindowPresenter::~WindowPresenter() = default;

void WindowPresenter::show(const std::string& id, const std::string& title,
                           const ContentMaker& makeContent, bool activate) {
    if (auto found = windows_.find(id); found != windows_.end()) {
        bringToFront(*found->second, activate);
        return;
    }

    auto window = std::make_unique<QWidget>(
        nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                     Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setWindowTitle(QString::fromStdString(title));
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    if (makeContent) {
        if (std::unique_ptr<QWidget> content = makeContent()) layout->addWidget(content.release());
    }
    // Sized to its content and not resizable.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    window->adjustSize();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect placed(QPoint(0, 0), window->size());
        placed.moveCenter(screen->availableGeometry().center());
        window->move(placed.topLeft());
    }
    QWidget& shown = *window;
    windows_.emplace(id, std::move(window));
    bringToFront(shown, activate);
}

void WindowPresenter::close(const std::string& id) {
    if (auto found = windows_.find(id); found != windows_.end()) found->second->close();
}

QWidget* WindowPresenter::window(const std::string& id) const {
    auto found = windows_.find(id);
    return found == windows_.end() ? nullptr : found->second.get();
}

}  // namespace brindlow
