// The toolkit's X requests leave for the server before the main loop waits, also when no X event
// arrives to make the toolkit read (and flush) its connection: a fade's steps are such requests.
#include <gtest/gtest.h>
#include <poll.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/x11/overlay/ToolkitFlush.h"

namespace brindlow::test {
namespace {

class ToolkitFlushX11Test : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "DISPLAY is not set";
        static int argc = 3;
        static char name[] = "brindlow-flush-test";
        static char option[] = "-platform";
        static char platform[] = "xcb";
        static char* argv[] = {name, option, platform, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        watcher_ = xcb_connect(nullptr, nullptr);
        ASSERT_FALSE(xcb_connection_has_error(watcher_));
        const char* atomName = "_NET_WM_WINDOW_OPACITY";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            watcher_, xcb_intern_atom(watcher_, 0, std::uint16_t(std::strlen(atomName)), atomName),
            nullptr);
        ASSERT_TRUE(atom);
        opacity_ = atom->atom;
        std::free(atom);
    }
    void TearDown() override {
        if (watcher_) xcb_disconnect(watcher_);
        app_.reset();
    }

    // Waits on the watching connection alone (the toolkit is not asked to read or flush) until
    // the opacity of `window` changes; the limit only bounds a hang.
    bool opacityChangeSeen(xcb_window_t window) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < deadline) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(watcher_)) {
                const auto* change = reinterpret_cast<xcb_property_notify_event_t*>(event);
                const bool seen = (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
                                  change->window == window && change->atom == opacity_;
                std::free(event);
                if (seen) return true;
            }
            pollfd fd{xcb_get_file_descriptor(watcher_), POLLIN, 0};
            poll(&fd, 1, 50);
        }
        return false;
    }

    std::unique_ptr<QApplication> app_;
    xcb_connection_t* watcher_ = nullptr;
    xcb_atom_t opacity_ = XCB_ATOM_NONE;
};

TEST_F(ToolkitFlushX11Test, AnOpacityStepReachesTheServerBeforeTheLoopWaits) {
    flushToolkitRequestsBeforeEachWait();
    // A bare window: nothing is painted, so no painting flushes the connection either.
    QWindow window;
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto id = xcb_window_t(window.winId());
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(watcher_, id, XCB_CW_EVENT_MASK, &mask);
    std::free(xcb_get_input_focus_reply(watcher_, xcb_get_input_focus(watcher_), nullptr));

    // The steps of a fade, as an animation makes them: the toolkit has read every X event before
    // the next step (the change of the last one among them), then the step, then the loop waits
    // for the next tick of the animation's timer. Each step reaches the server before the next is
    // made. (A zero timer or a posted call would not show it: the toolkit flushes as it handles
    // them.)
    for (int step = 1; step <= 10; ++step) {
        QGuiApplication::sync();
        QCoreApplication::processEvents();
        window.setOpacity(step / 10.0);
        QEventLoop turn;
        QTimer::singleShot(16, Qt::PreciseTimer, &turn, &QEventLoop::quit);
        turn.exec();
        ASSERT_TRUE(opacityChangeSeen(id)) << "step " << step;
    }
}

}  // namespace
}  // namespace brindlow::test
