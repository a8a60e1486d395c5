#include "overlays/WindowPresenter.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <algorithm>

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

// Kept free around a window for the window manager's frame (title bar and borders), so that the
// framed window fits on the screen too.
constexpr int kFrameAllowance = 48;

// The content as it goes into its window: itself when it fits into `room`, else inside a scroll
// area as tall as the room, so that a small screen still reaches all of it (the welcome window's
// button sits at the bottom).
std::unique_ptr<QWidget> fittedInto(std::unique_ptr<QWidget> content, const QSize& room) {
    const QSize wanted = content->sizeHint().expandedTo(content->minimumSizeHint());
    if (room.isEmpty() || wanted.height() <= room.height()) return content;
    auto scroll = std::make_unique<QScrollArea>();
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setWidgetResizable(true);
    const int bar = scroll->verticalScrollBar()->sizeHint().width();
    scroll->setFixedSize(std::min(wanted.width() + bar, room.width()), room.height());
    scroll->setWidget(content.release());
    return scroll;
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
    // Ctrl+W closes it, as it does the windows of other Linux applications.
    auto* closeKeys = new QShortcut(QKeySequence::Close, window.get());
    QObject::connect(closeKeys, &QShortcut::activated, window.get(), &QWidget::close);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    if (makeContent) {
        if (std::unique_ptr<QWidget> content = makeContent()) {
            const QSize room = available.size() - QSize(kFrameAllowance, kFrameAllowance);
            layout->addWidget(fittedInto(std::move(content), room).release());
        }
    }
    // Sized to its content and not resizable.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    window->adjustSize();

    if (screen) {
        QRect placed(QPoint(0, 0), window->size());
        placed.moveCenter(available.center());
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
