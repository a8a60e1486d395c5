#include "overlays/GapOverlayController.h"

#include "overlays/OverlayGeometry.h"

namespace brindlow {

namespace {

constexpr std::string_view kDefaultPicturePrefix = "/System/Library/CoreServices/DefaultDesktop";
// Pictures kept beyond those of the current displays.
constexpr std::size_t kSparePictures = 3;

}  // namespace

GapOverlayController::GapOverlayController(SurfaceFactory& factory, Environment environment)
    : factory_(factory),
      environment_(std::move(environment)),
      alive_(std::make_shared<GapOverlayController*>(this)) {
    if (environment_.pictures) {
        std::weak_ptr<GapOverlayController*> weak = alive_;
        pictureObserver_ = environment_.pictures->addChangeObserver([weak] {
            // A new wallpaper: repaint the covers on screen.
            if (auto alive = weak.lock()) (*alive)->update(std::vector((*alive)->lastDisplays_));
        });
    }
}

GapOverlayController::~GapOverlayController() {
    if (environment_.pictures) environment_.pictures->removeChangeObserver(pictureObserver_);
}

std::shared_ptr<const Image> GapOverlayController::picture(const Rect& screenFrame) {
    if (!environment_.pictures) return nullptr;
    const std::optional<DesktopPictures::Picture> file =
        environment_.pictures->picture(screenFrame);
    if (!file || file->location.starts_with(kDefaultPicturePrefix)) return nullptr;
    int index = 0;
    if (file->imageCount >= 2) {
        // Appearance and time of day matter only to dynamic pictures.
        const bool dark = environment_.isDark && environment_.isDark();
        const auto [hour, minute] =
            environment_.timeOfDay ? environment_.timeOfDay() : std::pair<int, int>{0, 0};
        index = desktopImageIndex(file->imageCount, file->metadata, dark, hour, minute);
    }
    const std::string key = file->location + "#" + std::to_string(index);
    if (auto cached = cache_.find(key)) return cached;
    if (!file->decode) return nullptr;
    std::optional<Image> decoded = file->decode(index);
    if (!decoded) return nullptr;
    auto image = std::make_shared<const Image>(std::move(*decoded));
    cache_.insert(key, image);
    return image;
}

void GapOverlayController::update(const std::vector<DisplaySnapshot>& displays) {
    lastDisplays_ = displays;
    cache_.setCapacity(displays.size() + kSparePictures);
    const std::vector<Rect> screens =
        environment_.screenFrames ? environment_.screenFrames() : std::vector<Rect>{};
    std::size_t used = 0;
    for (const DisplaySnapshot& display : displays) {
        if (display.gapStrips.empty()) continue;
        const Rect frame = toolkitRect(display.frame);
        if (std::find(screens.begin(), screens.end(), frame) == screens.end()) continue;
        const std::shared_ptr<const Image> shown = picture(frame);
        for (const GapStrip& strip : display.gapStrips) {
            if (used == pool_.size()) {
                views_.push_back(environment_.makeView());
                pool_.push_back(factory_.makeSurface(
                    SurfaceOptions{
                        .tier = SurfaceTier::normal, .clickThrough = true, .shadow = false},
                    views_.back()));
            }
            Surface& cover = *pool_[used];
            const Rect slice = toolkitRect(strip.rect);
            cover.setFrame(slice);
            views_[used]->show(shown, frame, slice);
            cover.redraw();
            ++used;
            // Directly above the window the band belongs to; floating only when that fails.
            cover.setTier(SurfaceTier::normal);
            if (strip.above == 0 || !cover.orderAbove(strip.above)) {
                cover.setTier(SurfaceTier::floating);
                cover.orderFront();
            }
        }
    }
    for (std::size_t i = used; i < pool_.size(); ++i) {
        if (pool_[i]->isVisible()) pool_[i]->orderOut();
    }
}

}  // namespace brindlow
