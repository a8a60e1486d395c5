#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "overlays/IndicatorController.h"
#include "platform/Image.h"

namespace brindlow {

// The pill: one 46 × 44 cell per column with up to three application icons, the focused column
// highlighted, pins and badges marked, and "3 of 7"; a click on a cell jumps, a drag of 6 points
// or more reorders. Tooltips name each window ("app — title"), escaped, and show although the
// pill is never the active window.
class IndicatorView final : public IndicatorPresentation {
  public:
    using IconProvider = std::function<Image(std::int32_t pid)>;

    explicit IndicatorView(IconProvider icons);
    ~IndicatorView() override;

    void setDisplay(const DisplaySnapshot& display) override;
    void setHandlers(Handlers handlers) override;
    QWidget* widget() override;

    // How many application icons the pill keeps: those of the display last set.
    std::size_t cachedIconCount() const;

    class Widget;

  private:
    IconProvider icons_;
    std::optional<DisplaySnapshot> display_;
    Handlers handlers_;
    std::unique_ptr<Widget> widget_;
};

}  // namespace brindlow
