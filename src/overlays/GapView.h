#pragma once

#include <memory>

#include "overlays/GapOverlayController.h"

namespace brindlow {

// A gap cover's view: its slice of the desktop picture (see gapPictureRect), else dark frosted
// glass.
class GapView final : public GapPresentation {
  public:
    GapView();
    ~GapView() override;
    void show(std::shared_ptr<const Image> picture, const Rect& screen, const Rect& slice) override;
    QWidget* widget() override;

    class Widget;

  private:
    std::shared_ptr<const Image> picture_;
    Rect screen_;
    Rect slice_;
    std::unique_ptr<Widget> widget_;
};

}  // namespace brindlow
