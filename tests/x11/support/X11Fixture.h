#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/Accessibility.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/connection/X11Connection.h"
#include "platform/x11/windows/X11Desktop.h"
#include "settings/FilePreferences.h"
#include "x11/support/X11TestSupport.h"

namespace brindlow::test {

// A connection to the session's display; skips the test when there is none.
class X11Fixture : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "DISPLAY is not set";
        x11_ = X11Platform::open(main_, FilePreferences::inStorageFolder(main_));
        ASSERT_TRUE(x11_) << "cannot open the display";
        platform_ = x11_->platform();
    }

    X11Desktop& desktop() { return x11_->desktop(); }
    X11Connection& connection() { return x11_->connection(); }

    // Waits until `done` holds: checks after a round trip (so events caused so
    // far have been handled) and again after each further X event. `limit`
    // only bounds a hang.
    bool settle(const std::function<bool()>& done, double limit = 15.0) {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(limit));
        while (std::chrono::steady_clock::now() < deadline) {
            if (done()) return true;
            connection().sync();
            if (done()) return true;
            connection().waitForEvent([](const xcb_generic_event_t&) { return true; }, 0.25,
                                      [] { return false; });
        }
        return done();
    }

    // The client's window as an element, once the window manager manages it.
    AXElementRef windowElement(const TestClientProcess& client, xcb_window_t window = 0) {
        if (!window) window = client.window();
        if (!settle([&] { return desktop().registry().isClient(window); })) return nullptr;
        AXValue windows;
        auto app = platform_.accessibility->applicationElement(client.pid());
        if (app->copyAttributeValue(ax::windows, windows) != axerror::success) return nullptr;
        for (auto& e : std::get<std::vector<AXElementRef>>(windows)) {
            if (e->identity() == window) return e;
        }
        return nullptr;
    }

    template <typename T>
    static std::optional<T> get(const AXElementRef& e, std::string_view attribute) {
        AXValue value;
        if (e->copyAttributeValue(attribute, value) != axerror::success) return std::nullopt;
        if (auto* v = std::get_if<T>(&value)) return *v;
        return std::nullopt;
    }

    static bool settable(const AXElementRef& e, std::string_view attribute) {
        bool result = false;
        return e->isAttributeSettable(attribute, result) == axerror::success && result;
    }

    static Rect frame(const AXElementRef& e) {
        auto p = get<Point>(e, ax::position);
        auto s = get<Size>(e, ax::size);
        if (!p || !s) return {};
        return Rect(*p, *s);
    }

    TestMainExecutor main_;
    std::unique_ptr<X11Platform> x11_;
    Platform platform_;
};

}  // namespace brindlow::test
