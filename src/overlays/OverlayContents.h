#pragma once

#include <memory>

#include "overlays/ColorText.h"
#include "platform/Color.h"
#include "platform/Surface.h"

namespace brindlow {

// The focus border's system blue, used when the colour text is not well formed.
inline constexpr Color kBorderFallbackColor = kDefaultColor;
// The badge dot's red.
inline constexpr Color kBadgeRed{1.0, 59 / 255.0, 48 / 255.0, 1.0};

// The focus border: a rounded stroke just inside the surface's edge (see borderStroke). The
// widget is made on first use, so controllers and their tests need no toolkit.
class BorderContent final : public SurfaceContent {
  public:
    BorderContent();
    ~BorderContent() override;

    // Stores width and colour together; false (and nothing to redraw) when both are unchanged.
    bool setStroke(double width, const Color& color);
    double width() const { return width_; }
    const Color& color() const { return color_; }

    QWidget* widget() override;

  private:
    double width_ = 3;
    Color color_ = kBorderFallbackColor;
    std::unique_ptr<QWidget> widget_;
};

// A badge dot: a red disc with a 2-point white ring at its edge.
class DotContent final : public SurfaceContent {
  public:
    DotContent();
    ~DotContent() override;
    QWidget* widget() override;

  private:
    std::unique_ptr<QWidget> widget_;
};

}  // namespace brindlow
