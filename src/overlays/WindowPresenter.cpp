#include "overlays/WindowPresenter.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace brindlow {

namespace {

void bringToFront(QWidget& window) {
    if (window.isMinimized()) window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace

WindowPresenter::WindowPresenter() {
    QApplication::setQuitOnLastWindowClosed(false);
}

WindowPresenter::~WindowPresenter() = default;

void WindowPresenter::show(const std::string& id, const std::string& title,
                           const ContentMaker& makeContent) {
    if (auto found = windows_.find(id); found != windows_.end()) {
        bringToFront(*found->second);
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
    bringToFront(shown);
}

void WindowPresenter::close(const std::string& id) {
    if (auto found = windows_.find(id); found != windows_.end()) found->second->close();
}

QWidget* WindowPresenter::window(const std::string& id) const {
    auto found = windows_.find(id);
    return found == windows_.end() ? nullptr : found->second.get();
}

}  // namespace brindlow
