#pragma once

#include <xcb/xcb.h>

#include <string>
#include <vector>

namespace brindlow::test {

// The atom of this name, none when the server has no answer.
xcb_atom_t internAtom(xcb_connection_t* connection, const char* name);

// Takes the screen's window manager selection with a window of its own and then, as soon as the
// window manager it replaces has let go of the root, the root's redirection (with its structure
// and property changes). Returns that window (the one to name the window manager on), none when
// nothing let go of the root within `limitMs`.
xcb_window_t takeOverTheRoot(xcb_connection_t* connection, xcb_window_t root, int screenNumber,
                             int limitMs = 10'000);

// The marks a window manager keeps on the root: its check window (`own`, which names it) and the
// list of its clients. The one replaced may clear its own after letting go of the root, and so
// ours once they are set: each one a property change deletes is put back.
class RootMarks {
  public:
    RootMarks(xcb_connection_t* connection, xcb_window_t root, xcb_window_t own);

    // Sets the check window on the root and on itself, named `name` when one is given.
    void publishCheck(const std::string& name = {});
    void publishClients(const std::vector<xcb_window_t>& clients);
    // Puts back the mark this event deleted, if it deleted one.
    void putBackIfCleared(const xcb_generic_event_t& event);

  private:
    void writeCheck(xcb_window_t window);
    void writeClients();

    xcb_connection_t* connection_;
    xcb_window_t root_;
    xcb_window_t own_;
    xcb_atom_t check_;
    xcb_atom_t clientList_;
    std::vector<xcb_window_t> clients_;
};

}  // namespace brindlow::test
