#pragma once

#include <vector>

#include "controller/Snapshot.h"
#include "panels/PanelHost.h"
#include "panels/SearchModel.h"

namespace brindlow {

// Shows and hides the window search, reads its keys and hands the chosen window to the strip.
// Main thread.
class SearchPanelController {
  public:
    static constexpr double kWidth = 580;
    static constexpr double kHeight = 400;
    // The panel's centre sits this far above the middle of the display.
    static constexpr double kRaise = 80;

    SearchPanelController(SearchModel& model, PanelHost& panel, StripActions strip);

    SearchModel& model() { return model_; }

    // Rebuilds the candidates from a snapshot's displays and ranks them again.
    void reload(const std::vector<DisplaySnapshot>& displays);
    // Hides the panel when it is shown; otherwise fills it and shows it on the active display.
    void toggle(const std::vector<DisplaySnapshot>& displays);
    void hide();
    // The panel stopped holding the focus (another window took it).
    void resignedKey();
    // True when the key was handled; any other key goes on to the search field.
    bool handleKey(PanelKey key);
    // Jumps to the window of row `index` and hides the panel; nothing for a row that is not there.
    void choose(int index);

    // Where the panel goes for a target area (global top-left coordinates).
    static Rect frameFor(const Rect& target);

  private:
    void hide(bool giveFocusBack);

    SearchModel& model_;
    PanelHost& panel_;
    StripActions strip_;
};

}  // namespace brindlow
