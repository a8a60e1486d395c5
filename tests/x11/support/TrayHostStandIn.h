#pragma once

// Holds the tray selection of the session's screen for as long as it lives, as a tray host
// does, without embedding anything: Brindlow started meanwhile finds a tray and opens no
// settings window, so tests about tiling and overlays see only their own windows on screen.
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace brindlow::test {

class TrayHostStandIn {
  public:
    TrayHostStandIn() {
        if (!std::getenv("DISPLAY")) return;
        int screenNumber = 0;
        connection_ = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(connection_)) return;
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
        for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
        const xcb_window_t root = screens.data->root;
        const xcb_window_t owner = xcb_generate_id(connection_);
        xcb_create_window(connection_, 0, owner, root, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber);
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> selection(
            xcb_intern_atom_reply(
                connection_,
                xcb_intern_atom(connection_, 0, std::uint16_t(name.size()), name.c_str()), nullptr),
            &std::free);
        if (!selection) return;
        xcb_set_selection_owner(connection_, owner, selection->atom, XCB_CURRENT_TIME);
        // Owned once this round trip returns: Brindlow started after it sees a tray.
        std::free(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }
    ~TrayHostStandIn() {
        if (connection_) xcb_disconnect(connection_);
    }
    TrayHostStandIn(const TrayHostStandIn&) = delete;
    TrayHostStandIn& operator=(const TrayHostStandIn&) = delete;

  private:
    xcb_connection_t* connection_ = nullptr;
};

}  // namespace brindlow::test
