#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controller/Snapshot.h"
#include "panels/PanelHost.h"
#include "panels/ShortcutGuide.h"
#include "settings/AppSettings.h"

namespace brindlow {

// What the keyboard-shortcut sheet shows: the key texts and the gesture lines of the moment it
// opened.
struct ShortcutsSheetContent {
    std::map<std::string, std::string> keys;
    std::vector<std::string> gestureHints;
    friend bool operator==(const ShortcutsSheetContent&, const ShortcutsSheetContent&) = default;
};

// The lines about trackpad gestures and dragging under the shortcut tables.
std::vector<std::string> shortcutSheetGestureHints(const AppSettings& settings);

// The view of the sheet: shows a content and tells the size it needs.
class ShortcutsSheetView {
  public:
    virtual ~ShortcutsSheetView() = default;
    // Replaces the content; gives the size the sheet then fits in.
    virtual Size setContent(const ShortcutsSheetContent& content) = 0;
};

// Opens the sheet centred on a display with a short fade, closes it with one. Main thread.
class ShortcutsPanelController {
  public:
    static constexpr double kFadeIn = 0.15;
    static constexpr double kFadeOut = 0.12;

    ShortcutsPanelController(PanelHost& panel, ShortcutsSheetView& view,
                             const ShortcutSource& shortcuts,
                             std::function<AppSettings()> settings);

    bool isOpen() const { return isOpen_; }
    // Closes an open sheet; otherwise opens it centred on `display`'s visible area (the main
    // screen's without one).
    void toggle(const DisplaySnapshot* display);
    // Fades out and then takes the sheet off screen, unless it was opened again meanwhile.
    void hide();
    void resignedKey();
    // Escape closes the sheet and is always consumed; other keys pass on.
    bool handleKey(PanelKey key);
    // Reads the key texts again: an open sheet whose texts changed (another keyboard layout or
    // group names the keys differently) shows the new ones, centred again where it opened.
    void refresh();

    // Where a sheet of `size` goes on `target`: centred, whole numbers, halves away from zero.
    static Rect frameFor(const Rect& target, Size size);

  private:
    void hide(bool giveFocusBack);
    ShortcutsSheetContent currentContent() const;

    PanelHost& panel_;
    ShortcutsSheetView& view_;
    const ShortcutSource& shortcuts_;
    std::function<AppSettings()> settings_;
    bool isOpen_ = false;
    ShortcutsSheetContent shown_;
    Rect target_;
    Size size_;
    // Completions of fades hold this weakly.
    std::shared_ptr<ShortcutsPanelController*> alive_;
};

}  // namespace brindlow
