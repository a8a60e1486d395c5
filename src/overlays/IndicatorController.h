#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controller/Snapshot.h"
#include "platform/Animator.h"
#include "platform/Surface.h"
#include "platform/UiScheduler.h"
#include "settings/AppSettings.h"

namespace brindlow {

// What one display's pill shows, and what it reports back: the pointer entering or leaving, a
// click on a column (the window to jump to) and a drag that ends (from, to).
class IndicatorPresentation : public SurfaceContent {
  public:
    struct Handlers {
        std::function<void(bool hovering)> hoverChanged;
        std::function<void(WindowID window)> jump;
        std::function<void(int from, int to)> reorder;
    };
    virtual void setDisplay(const DisplaySnapshot& display) = 0;
    virtual void setHandlers(Handlers handlers) = 0;
};

// The strip indicator: one pill per display, shown for 1.4 s after a focus or structure change
// of that display's strip (kept while the pointer rests on it), faded out over 0.35 s. Clicking
// an icon jumps to its column's window; dragging it reorders the columns. Main thread only.
class IndicatorController {
  public:
    static constexpr double kHold = 1.4;
    static constexpr double kFadeOut = 0.35;

    struct Actions {
        std::function<void(WindowID window)> jump;
        std::function<void(const std::string& display, int from, int to)> reorder;
    };
    using ViewMaker = std::function<std::shared_ptr<IndicatorPresentation>()>;

    IndicatorController(SurfaceFactory& factory, UiScheduler& scheduler, Animator& animator,
                        ViewMaker makeView, Actions actions);
    ~IndicatorController();
    IndicatorController(const IndicatorController&) = delete;
    IndicatorController& operator=(const IndicatorController&) = delete;

    void update(const StripSnapshot& snapshot, const AppSettings& settings);
    // Fades out every pill on screen (the indicator was switched off).
    void hideAll();

    const Surface* panel(const std::string& display) const;
    bool hovering(const std::string& display) const;

  private:
    struct Panel {
        std::unique_ptr<Surface> surface;
        std::shared_ptr<IndicatorPresentation> view;
        bool hovering = false;
        UiScheduler::TaskID hideWork = 0;
    };

    // The display whose pill a change of this kind shows; none for a quiet refresh.
    static std::string displayToShow(const StripSnapshot& snapshot);
    void show(const DisplaySnapshot& display, IndicatorPosition position);
    Panel& makePanel(const std::string& display);
    void scheduleHide(const std::string& display);
    void hide(Panel& panel);

    SurfaceFactory& factory_;
    UiScheduler& scheduler_;
    Animator& animator_;
    ViewMaker makeView_;
    Actions actions_;
    std::map<std::string, std::unique_ptr<Panel>> panels_;
    std::shared_ptr<IndicatorController*> alive_;
};

}  // namespace brindlow
