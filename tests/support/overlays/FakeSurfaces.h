#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Surface.h"

namespace brindlow::test {

// A surface that records what the controllers did to it.
class FakeSurface final : public Surface {
  public:
    enum class Order { none, front, above, below };

    FakeSurface(const SurfaceOptions& madeWith, std::shared_ptr<SurfaceContent> shown,
                const bool& compositing)
        : options(madeWith),
          content(std::move(shown)),
          tier_(madeWith.tier),
          compositing_(compositing) {}

    Rect frame() const override { return frame_; }
    void setFrame(const Rect& frame) override {
        frame_ = frame;
        ++frameSets;
    }
    double alpha() const override { return alpha_; }
    void setAlpha(double alpha) override { alpha_ = alpha; }
    bool blends() const override { return compositing_; }
    void setBackgroundColor(const Color& color) override {
        background = color;
        ++backgroundSets;
    }
    void redraw() override {}
    void setHole(const std::optional<Rect>& cut) override { hole = cut; }
    void setMoreHoles(const std::vector<Rect>& cuts) override { moreHoles = cuts; }
    bool isVisible() const override { return visible_; }
    SurfaceTier tier() const override { return tier_; }
    void setTier(SurfaceTier tier) override { tier_ = tier; }
    void orderFront() override {
        visible_ = true;
        order = Order::front;
        relativeTo.reset();
        ++orders;
    }
    bool orderAbove(std::uint32_t windowNumber) override {
        return orderRelative(Order::above, windowNumber);
    }
    bool orderBelow(std::uint32_t windowNumber) override {
        return orderRelative(Order::below, windowNumber);
    }
    void orderOut() override {
        visible_ = false;
        order = Order::none;
        relativeTo.reset();
    }

    SurfaceOptions options;
    std::shared_ptr<SurfaceContent> content;
    Order order = Order::none;
    std::optional<std::uint32_t> relativeTo;
    std::optional<Color> background;
    std::optional<Rect> hole;
    std::vector<Rect> moreHoles;
    int orders = 0;
    int frameSets = 0;
    int backgroundSets = 0;
    // Window numbers the "server" refuses (gone).
    std::vector<std::uint32_t>* refused = nullptr;

  private:
    bool orderRelative(Order kind, std::uint32_t windowNumber) {
        if (refused &&
            std::find(refused->begin(), refused->end(), windowNumber) != refused->end()) {
            return false;
        }
        visible_ = true;
        order = kind;
        relativeTo = windowNumber;
        ++orders;
        return true;
    }

    Rect frame_;
    double alpha_ = 1.0;
    bool visible_ = false;
    SurfaceTier tier_;
    const bool& compositing_;
};

class FakeSurfaceFactory final : public SurfaceFactory {
  public:
    std::unique_ptr<Surface> makeSurface(const SurfaceOptions& options,
                                         std::shared_ptr<SurfaceContent> content) override {
        auto surface = std::make_unique<FakeSurface>(options, std::move(content), compositing_);
        surface->refused = &refused;
        made.push_back(surface.get());
        return surface;
    }
    bool compositing() const override { return compositing_; }
    Decorations decorations(WindowID window) override {
        const auto found = decorated.find(window);
        return found == decorated.end() ? Decorations{} : found->second;
    }
    ObserverToken addDesktopChangeObserver(std::function<void()> handler) override {
        observers_.emplace(nextToken_, std::move(handler));
        return nextToken_++;
    }
    void removeDesktopChangeObserver(ObserverToken token) override { observers_.erase(token); }

    ObserverToken addCompositingObserver(std::function<void()> handler) override {
        compositingObservers_.emplace(nextToken_, std::move(handler));
        return nextToken_++;
    }
    void removeCompositingObserver(ObserverToken token) override {
        compositingObservers_.erase(token);
    }

    // Without telling anyone, as at start-up.
    void setCompositing(bool on) { compositing_ = on; }
    // A compositing manager started or stopped while running.
    void changeCompositing(bool on) {
        compositing_ = on;
        auto observers = compositingObservers_;
        for (auto& [token, handler] : observers) handler();
    }
    std::size_t compositingObserverCount() const { return compositingObservers_.size(); }
    void changeDesktop() {
        for (auto& [token, handler] : observers_) handler();
    }
    std::size_t observerCount() const { return observers_.size(); }

    // Every surface made, in order; owned by the controller that asked.
    std::vector<FakeSurface*> made;
    std::vector<std::uint32_t> refused;
    // The decorations the window manager draws around each window; none for the others.
    std::map<WindowID, Decorations> decorated;

  private:
    bool compositing_ = true;
    std::map<ObserverToken, std::function<void()>> observers_;
    std::map<ObserverToken, std::function<void()>> compositingObservers_;
    ObserverToken nextToken_ = 1;
};

}  // namespace brindlow::test
